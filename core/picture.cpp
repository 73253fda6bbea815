#include "core/picture.h"

namespace tabulink {

std::string picture999(long long number) {
  bool negative = number < 0;
  unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(number)
                                          : static_cast<unsigned long long>(number);
  const std::string digits = std::to_string(magnitude);
  // A separator after every group of three digits counted from the right.
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  if (negative) out.insert(out.begin(), '-');
  if (out.size() < 7) out.insert(0, 7 - out.size(), ' ');
  return out;
}

}  // namespace tabulink
