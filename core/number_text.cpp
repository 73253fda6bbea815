#include "core/number_text.h"

#include <algorithm>

namespace tabulink {

std::optional<PlainNumber> plainNumber(std::string_view text) {
  // Runs for every number of every row: pointers and plain loops.
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

bool dropsDigits(std::string_view text, const PlainNumber& plain, int decimals) {
  if (plain.fractionDigits <= decimals) return false;
  const std::string_view past =
      text.substr(text.size() - static_cast<size_t>(plain.fractionDigits - decimals));
  return std::any_of(past.begin(), past.end(), [](char c) { return c != '0'; });
}

}  // namespace tabulink
