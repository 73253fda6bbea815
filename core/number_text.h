#pragma once
// Number texts as drivers send them, looked at digit by digit: their shape, and whether a given
// number of decimals keeps all of their value; and the one text a double is written as.

#include <cstddef>
#include <optional>
#include <string_view>

namespace tabulink {

// A number text in plain notation: an optional "-", integer digits without a leading zero (a lone
// "0" aside), and optionally "." and one or more digits. No blanks, "+", exponent or comma.
struct PlainNumber {
  bool negative = false;
  int integerDigits = 0;
  int fractionDigits = 0;
  int significantDigits = 0;  // from the first non-zero digit on; 0 when every digit is 0
};
inline std::optional<PlainNumber> plainNumber(std::string_view text) {
  // Runs for every number of every row, inline: pointers and plain loops.
  PlainNumber plain;
  const char* at = text.data();
  const char* const end = at + text.size();
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (at != end && *at == '-') {
    plain.negative = true;
    ++at;
  }
  const char* const integer = at;
  while (at != end && isDigit(*at))
    ++at;
  plain.integerDigits = static_cast<int>(at - integer);
  if (plain.integerDigits == 0 || (plain.integerDigits > 1 && *integer == '0')) return std::nullopt;
  const char* fraction = at;
  if (at != end) {
    if (*at != '.') return std::nullopt;
    fraction = ++at;
    while (at != end && isDigit(*at))
      ++at;
    plain.fractionDigits = static_cast<int>(at - fraction);
    if (plain.fractionDigits == 0 || at != end) return std::nullopt;
  }
  if (*integer != '0') {
    plain.significantDigits = plain.integerDigits + plain.fractionDigits;
  } else {
    // "0.00123": the zeros after the point do not count either.
    const char* first = fraction;
    while (first != end && *first == '0')
      ++first;
    plain.significantDigits = static_cast<int>(end - first);
  }
  return plain;
}

// The plain number text with exactly `decimals` decimals, and no "-" before a zero, that `stored`
// holds after its blanks (a numeric field's bytes); empty when it holds none.
std::string_view plainNumberText(std::string_view stored, int decimals);

// Whether `text` (described by `plain`) has a digit other than 0 past its first `decimals`
// decimals: rounded to that many, it would lose part of its value.
bool dropsDigits(std::string_view text, const PlainNumber& plain, int decimals);

// Adds one at the last of the `n` characters at `digits` (a "." among them skipped), carrying to
// the left; false when the carry runs out of digits (they are then all "0").
bool roundUpDigits(char* digits, size_t n);

// The text of `value` with exactly `decimals` decimals ("-" before a negative value that is not
// written as zero, no blanks) written to `out` (kNumberTextSize bytes); its length, 0 when the
// value is not finite. The value is rounded once, half away from zero, from the shortest decimal
// text that reads back as it: 2.675 becomes 2.68 and 12345678901234.7 becomes 12345678901234.70,
// as they read, although the double lies a little below either.
inline constexpr size_t kNumberTextSize = 640;
size_t numberText(double value, int decimals, char* out);

}  // namespace tabulink
