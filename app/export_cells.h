#pragma once
// How a value becomes a cell of the text outputs: the value-to-text rule, and the number text
// with the configured decimal character.

#include <string>
#include <string_view>

#include "core/value.h"

namespace tabulink {

// Appends CVALTOCHAR of `value` to `out`; a text is appended without an intermediate copy.
void appendValueText(std::string& out, const Value& value);

// Appends the number text of `value`: CVALTOCHAR of the number (its decimals, no separators),
// with every "." replaced by `decChar` unless `decChar` begins with ".".
void appendNumberText(std::string& out, const Value& value, std::string_view decChar);

// The same from the bytes of a numeric field with `decimals` decimals, without reading the
// number and writing it again: false, appending nothing, unless they hold a plain number text
// ("-", digits, "." and exactly `decimals` digits, blank-padded on the left). A numeric cache
// field holds the one text of its value (the column's own digits, or a double's text rounded
// once), however many digits it has: every output and the grid write that text.
bool appendStoredNumberText(std::string& out, std::string_view stored, int decimals,
                            std::string_view decChar);
// Whether `stored` is such a plain number text with `decimals` decimals (after the blanks).
bool isPlainNumberText(std::string_view stored, int decimals);

}  // namespace tabulink
