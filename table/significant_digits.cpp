#include "table/significant_digits.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tabulink {
namespace {

// Scientific text of `value` with `precision` digits after the point: copies the first 16
// digits and returns the exponent. `precision` digits plus the leading one land in `mantissa`
// when it is given.
int scientific(double value, int precision, char* digits, char* mantissa = nullptr) {
  char sci[64];
  auto [end, ec] =
      std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, precision);
  (void)ec;
  digits[0] = sci[0];
  std::memcpy(digits + 1, sci + 2, kSignificantDigits - 1);
  if (mantissa != nullptr) {
    mantissa[0] = sci[0];
    std::memcpy(mantissa + 1, sci + 2, static_cast<size_t>(precision));
  }
  const char* e = std::find(sci, end, 'e');
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
  return exponent;
}

// How many significant decimal digits the exact expansion of `value` (> 0) has at most, from
// its binary form m·2^k with m odd: the last non-zero digit stands at 10^min(k, 0), and the
// first at 10^exponent. An exponent one too high (a rounding carry) only overstates it.
int exactDigitsAtMost(double value, int exponent) {
  int binaryExponent = 0;
  double fraction = std::frexp(value, &binaryExponent);  // value = fraction · 2^binaryExponent
  auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
  int k = binaryExponent - 53 + std::countr_zero(mantissa);
  return exponent + std::max(-k, 0) + 1;
}

}  // namespace

int significantDigits(double value, char* digits) {
  // 21 significant digits are cheaper to produce than 41. Their first 16 are the exact ones
  // unless rounding at the 21st carried into the 16th, or the 41-digit form would carry there:
  // both need digits 17-21 reading all "9" or all "0". An expansion of at most 21 digits is
  // exact, so no rounding happened at all.
  constexpr int kPrecision = 20;
  char mantissa[kPrecision + 1];
  int exponent = scientific(value, kPrecision, digits, mantissa);
  const char* tail = mantissa + kSignificantDigits;
  const char* tailEnd = mantissa + kPrecision + 1;
  bool allNines = std::all_of(tail, tailEnd, [](char c) { return c == '9'; });
  bool allZeros = std::all_of(tail, tailEnd, [](char c) { return c == '0'; });
  if ((!allNines && !allZeros) || exactDigitsAtMost(value, exponent) <= kPrecision + 1)
    return exponent;
  return significantDigitsLong(value, digits);
}

int significantDigitsLong(double value, char* digits) {
  // More digits than a double's 17 so the first 16 are the value's own, not rounded ones.
  return scientific(value, 40, digits);
}

}  // namespace tabulink
