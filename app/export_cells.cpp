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

namespace {

// Replaces every "." of `out` from `start` on by `decChar`, unless it begins with ".".
void useDecimalCharacter(std::string& out, size_t start, std::string_view decChar) {
  if (decChar.starts_with(".")) return;
  for (size_t dot = out.find('.', start); dot != std::string::npos;
       dot = out.find('.', dot + decChar.size())) {
    out.replace(dot, 1, decChar);
  }
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Whether `text` is "[-]digits[.digits]" with `decimals` decimals, no leading zero before other
// integer digits, a "-" only before a non-zero digit, and at most 15 digits: a decimal that a
// double holds so closely that writing it with its own decimals gives the same text.
bool isPlainText(std::string_view text, int decimals) {
  size_t i = text.starts_with('-') ? 1 : 0;
  const size_t integerStart = i;
  while (i < text.size() && isDigit(text[i]))
    ++i;
  const size_t integerDigits = i - integerStart;
  if (integerDigits == 0 || (integerDigits > 1 && text[integerStart] == '0')) return false;
  size_t fractionDigits = 0;
  const bool hasPoint = i < text.size();
  if (hasPoint) {
    if (text[i] != '.') return false;
    for (++i; i < text.size() && isDigit(text[i]); ++i)
      ++fractionDigits;
    if (i != text.size()) return false;
  }
  if (static_cast<int>(fractionDigits) != decimals || (decimals > 0) != hasPoint ||
      integerDigits + fractionDigits > 15)
    return false;
  return integerStart == 0 || text.find_first_of("123456789") != std::string_view::npos;
}

}  // namespace

bool isPlainNumberText(std::string_view stored, int decimals) {
  const size_t start = stored.find_first_not_of(' ');
  return start != std::string_view::npos && isPlainText(stored.substr(start), decimals);
}

void appendNumberText(std::string& out, const Value& value, std::string_view decChar) {
  size_t start = out.size();
  appendValueText(out, value);
  useDecimalCharacter(out, start, decChar);
}

bool appendStoredNumberText(std::string& out, std::string_view stored, int decimals,
                            std::string_view decChar) {
  if (!isPlainNumberText(stored, decimals)) return false;
  const size_t at = out.size();
  out.append(stored.substr(stored.find_first_not_of(' ')));
  useDecimalCharacter(out, at, decChar);
  return true;
}

}  // namespace tabulink
