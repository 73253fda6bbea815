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

std::string_view valueText(const Value& value, std::string& scratch) {
  if (value.isText()) return value.text();
  if (value.isLogical()) return logicalText(value.logical());
  scratch.clear();
  appendValueText(scratch, value);
  return scratch;
}

namespace {

// Replaces every "." of `out` from `start` on by `decChar`, unless it begins with ".".
void useDecimalCharacter(std::string& out, size_t start, std::string_view decChar) {
  if (keepsDecimalPoint(decChar)) return;
  for (size_t dot = out.find('.', start); dot != std::string::npos;
       dot = out.find('.', dot + decChar.size())) {
    out.replace(dot, 1, decChar);
  }
}

}  // namespace

void appendNumberText(std::string& out, const Value& value, std::string_view decChar) {
  size_t start = out.size();
  appendValueText(out, value);
  useDecimalCharacter(out, start, decChar);
}

void appendPlainNumberText(std::string& out, std::string_view plain, std::string_view decChar) {
  const size_t at = out.size();
  out.append(plain);
  useDecimalCharacter(out, at, decChar);
}

}  // namespace tabulink
