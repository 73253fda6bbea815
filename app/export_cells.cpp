#include "app/export_cells.h"

namespace tabulink {

void appendValueText(std::string& out, const Value& value) {
  if (value.isText()) {
    out.append(value.text());
  } else if (value.isNumber()) {
    appendNumberText(out, value.number().value, value.number().decimals);
  } else {
    out.append(CVALTOCHAR(value));
  }
}

void appendNumberText(std::string& out, const Value& value, std::string_view decChar) {
  size_t start = out.size();
  appendValueText(out, value);
  if (decChar.starts_with(".")) return;
  for (size_t dot = out.find('.', start); dot != std::string::npos;
       dot = out.find('.', dot + decChar.size())) {
    out.replace(dot, 1, decChar);
  }
}

}  // namespace tabulink
