#pragma once
// How a value becomes a cell of the text outputs: the value-to-text rule, and the number text
// with the configured decimal character.

#include <string>
#include <string_view>

#include "core/number_text.h"
#include "core/value.h"

namespace tabulink {

// Appends CVALTOCHAR of `value` to `out`; a text is appended without an intermediate copy.
void appendValueText(std::string& out, const Value& value);

// CVALTOCHAR of `value`, without a copy where it can be had: the value's own text, a logical's
// constant text, or else made in `scratch` (valid until `value` or `scratch` changes).
std::string_view valueText(const Value& value, std::string& scratch);

// Appends the number text of `value`: CVALTOCHAR of the number (its decimals, no separators),
// with every "." replaced by `decChar` unless `decChar` begins with ".".
void appendNumberText(std::string& out, const Value& value, std::string_view decChar);

// Whether numbers keep their "." with `decChar` (one that begins with "."): their texts then go out
// as they are.
inline bool keepsDecimalPoint(std::string_view decChar) {
  return decChar.starts_with(".");
}

// The same from the plain number text a numeric field holds (plainNumberText), without reading
// the number and writing it again. A numeric cache field holds the one text of its value (the
// column's own digits, or a double's text rounded once), however many digits it has: every
// output and the grid write that text.
void appendPlainNumberText(std::string& out, std::string_view plain, std::string_view decChar);

}  // namespace tabulink
