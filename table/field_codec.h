#pragma once
// Field values to and from their bytes in a DBF record, kind by kind. Memo fields hold only a
// block number here; their text lives in the memo file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/number_text.h"
#include "core/value.h"
#include "table/dbf_layout.h"

namespace tabulink {

enum class PutResult {
  Stored,
  WrongType,  // the field keeps its bytes
  TooWide,    // a number that does not fit: the field is filled with "*"
};

// Writes `value` into the field's bytes at `dest` (field.length bytes). Not for memo fields.
PutResult encodeField(const DbfField& field, const Value& value, char* dest);
// Writes the number that `text` (described by `plain`) stands for into a numeric field: the
// bytes encodeField writes for it, without reading the number and writing it again. Its decimals
// are filled up with zeros, or rounded half away from zero. Nothing is written where the
// text's digits cannot stand for the double the number reads as (too many of them, or digits
// too close to halfway between two values of the field's decimals), a negative zero, or a text
// wider than the field. With `exact` the text is the value itself (an integer or decimal column,
// whose digits past the decimals the caller knows to be zeros): its digits are written however
// many they are. Returns the length of the plain number text the bytes end in, 0 when it wrote
// nothing.
size_t encodePlainNumber(const DbfField& field, std::string_view text, const PlainNumber& plain,
                         char* dest, bool exact = false);
// Makes `out` the value of the field's bytes at `src`, reusing the capacity of a text `out`
// already holds. Not for memo fields.
void decodeField(const DbfField& field, const char* src, Value& out);

// The memo block number stored in a memo field; false when the bytes are not a block number.
bool decodeMemoBlock(const DbfField& field, const char* src, uint64_t& block);
// Stores a memo block number; 0 means no text (blanks in a 10-byte field).
void encodeMemoBlock(const DbfField& field, uint32_t block, char* dest);

// Julian day numbers as 3-byte date fields hold them; 0 is the empty date.
int32_t julianDay(const Date& date);
Date fromJulianDay(int32_t day);

}  // namespace tabulink
