#include "core/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/text.h"

namespace tabulink {

std::string_view plainNumberText(std::string_view stored, int decimals) {
  const std::string_view number = trimLeft(stored);
  const std::optional<PlainNumber> plain = plainNumber(number);
  return plain && plain->fractionDigits == decimals &&
                 !(plain->negative && plain->significantDigits == 0)
             ? number
             : std::string_view();
}

bool dropsDigits(std::string_view text, const PlainNumber& plain, int decimals) {
  if (plain.fractionDigits <= decimals) return false;
  const std::string_view past =
      text.substr(text.size() - static_cast<size_t>(plain.fractionDigits - decimals));
  return std::any_of(past.begin(), past.end(), [](char c) { return c != '0'; });
}

bool roundUpDigits(char* digits, size_t n) {
  while (n > 0) {
    --n;
    if (digits[n] == '.') continue;
    if (digits[n] != '9') {
      ++digits[n];
      return true;
    }
    digits[n] = '0';
  }
  return false;
}

size_t numberText(double value, int decimals, char* out) {
  if (!std::isfinite(value)) return 0;
  decimals = std::clamp(decimals, 0, 300);
  // The shortest digits that read back as the value (at most 17), and the power of ten of the
  // first one.
  char shortest[32];
  const auto [end, ec] = std::to_chars(shortest, shortest + sizeof shortest, std::fabs(value),
                                       std::chars_format::scientific);
  (void)ec;
  const char* const e = std::find(shortest, end, 'e');
  char digits[20];
  int count = 0;
  for (const char* at = shortest; at != e; ++at)
    if (*at != '.') digits[count++] = *at;
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
  const int point = exponent + 1;  // digits before the decimal point (≤ 0: zeros after it)
  auto digitAt = [&](int k) { return k >= 0 && k < count ? digits[k] : '0'; };

  char* const text = out + 1;
  size_t n = 0;
  if (point <= 0) {
    text[n++] = '0';
  } else {
    for (int k = 0; k < point; ++k)
      text[n++] = digitAt(k);
  }
  if (decimals > 0) {
    text[n++] = '.';
    for (int j = 0; j < decimals; ++j)
      text[n++] = digitAt(point + j);
  }
  // The digits are the value's exact decimal form: the first one dropped decides.
  const int dropped = point + decimals;
  if (dropped >= 0 && dropped < count && digits[dropped] >= '5' && !roundUpDigits(text, n)) {
    std::memmove(text + 1, text, n);
    text[0] = '1';
    ++n;
  }
  // A value written as zero carries no sign.
  if (std::signbit(value) &&
      std::any_of(text, text + n, [](char c) { return c >= '1' && c <= '9'; })) {
    out[0] = '-';
    return n + 1;
  }
  std::memmove(out, text, n);
  return n;
}

}  // namespace tabulink
