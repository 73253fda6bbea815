#include "core/value.h"

#include <algorithm>

#include "core/number_text.h"

namespace tabulink {

void appendNumberText(std::string& out, double value, int decimals) {
  char text[kNumberTextSize];
  out.append(text, numberText(value, std::min(decimals, 60), text));
}

std::string CVALTOCHAR(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Absent:
      return {};
    case Value::Kind::Text:
      return value.text();
    case Value::Kind::Number: {
      std::string out;
      appendNumberText(out, value.number().value, value.number().decimals);
      return out;
    }
    case Value::Kind::Date:
      return DTOC(value.date());
    case Value::Kind::Logical:
      return std::string(logicalText(value.logical()));
  }
  return {};
}

}  // namespace tabulink
