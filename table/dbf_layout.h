#pragma once
// The layout of a DBF table: its field list with record offsets, header and record lengths, and
// the blank record. Built once from a structure (creating) or from header bytes (opening).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"
#include "table/field_description.h"

namespace tabulink {

enum class FieldKind : char {
  Character = 'C',
  Numeric = 'N',
  Date = 'D',
  Logical = 'L',
  Memo = 'M',
  Double = 'B',
  Integer = 'I',
};

struct DbfField {
  std::string name;  // upper case, at most 10 characters (11 when read from another writer)
  FieldKind kind = FieldKind::Character;
  uint16_t length = 0;  // bytes in the record
  uint8_t decimals = 0;
  uint32_t offset = 0;  // from the start of the record; the deletion flag is byte 0
};

inline constexpr size_t kDbfHeaderSize = 32;
inline constexpr size_t kDbfDescriptorSize = 32;

struct DbfLayout {
  uint8_t version = 0x03;
  uint16_t headerLength = 0;
  uint16_t recordLength = 0;
  std::vector<DbfField> fields;
  std::string blankRecord;  // what DBAPPEND puts in the buffer

  bool hasMemo() const;
  // 1-based position of the first field named `name` (case ignored), 0 when none.
  size_t fieldPos(std::string_view name) const;
};

// Why a layout could not be built or read.
enum class LayoutError { None, Refused, Corrupt };

// A layout from a DBCREATE structure. Refused: bad letter, N/F length above 255, empty name, or
// more fields, longer records or longer character fields than the 16-bit header values describe.
LayoutError buildLayout(const std::vector<FieldDescription>& structure, DbfLayout& layout);

// Leaves `structure` so that buildLayout accepts it where only the record length is in the way:
// character fields among the first `movable` ones become memo fields, the longest first, until
// the record fits its 65,535 bytes. False when it still does not fit (too many fields, say).
bool fitRecord(std::vector<FieldDescription>& structure, size_t movable);

// The most fields a table can have: its header length is a 16-bit number.
size_t maxFieldCount();

// The 32 header bytes with the record count and date given.
void encodeHeader(const DbfLayout& layout, uint32_t recordCount, const Date& updated,
                  std::span<char, kDbfHeaderSize> out);
// The descriptors followed by 0x0D 0x00: header length − 32 bytes.
std::string encodeDescriptors(const DbfLayout& layout);

// Reads the 32 header bytes; the record count stored there is returned through `storedCount`.
// Corrupt when the version byte is unknown or the lengths cannot describe a table.
LayoutError readHeader(std::span<const char> header, DbfLayout& layout, uint32_t& storedCount);
// Reads the descriptors (header length − 32 bytes) into the layout read by readHeader. Corrupt on
// an unknown letter, a length the kind cannot have, no field, or a record length that is not the
// sum of the field lengths.
LayoutError readDescriptors(std::span<const char> descriptors, DbfLayout& layout);

}  // namespace tabulink
