#pragma once
// Number texts as drivers send them, looked at digit by digit: their shape, and whether a given
// number of decimals keeps all of their value.

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
std::optional<PlainNumber> plainNumber(std::string_view text);
// Whether `text` (described by `plain`) has a digit other than 0 past its first `decimals`
// decimals: rounded to that many, it would lose part of its value.
bool dropsDigits(std::string_view text, const PlainNumber& plain, int decimals);

}  // namespace tabulink
