#include "core/value.h"

#include <charconv>
#include <cmath>

namespace tabulink {

void appendNumberText(std::string& out, double value, int decimals) {
  char buf[400];  // DBL_MAX in fixed notation has 309 digits; decimals are small
  if (decimals < 0) decimals = 0;
  if (decimals > 60) decimals = 60;
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (ec != std::errc{}) return;
  std::string_view text(buf, static_cast<size_t>(end - buf));
  // A value that rounds to zero is written without a sign: -0.001 with 2 decimals is "0.00".
  if (text.front() == '-' && text.find_first_not_of("-0.") == std::string_view::npos)
    text.remove_prefix(1);
  out.append(text);
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
      return value.logical() ? ".T." : ".F.";
  }
  return {};
}

}  // namespace tabulink
