#include "core/picture.h"

namespace tabulink {

std::string picture999(long long number) {
  bool negative = number < 0;
  unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(number)
                                          : static_cast<unsigned long long>(number);
  std::string digits = std::to_string(magnitude);
  if (negative) digits.insert(digits.begin(), '-');
  if (digits.size() > 6) return std::string(7, '*');
  digits.insert(0, 6 - digits.size(), ' ');
  // The separator stands between positions 3 and 4, and only after a digit.
  char before = digits[2];
  std::string out = digits.substr(0, 3);
  out += (before >= '0' && before <= '9') ? ',' : ' ';
  out += digits.substr(3);
  return out;
}

}  // namespace tabulink
