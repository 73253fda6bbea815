#include "table/dbf_layout.h"

#include <algorithm>
#include <cstring>

#include "core/text.h"
#include "table/little_endian.h"

namespace tabulink {
namespace {

constexpr size_t kMaxFields = (0xFFFF - kDbfHeaderSize - 2) / kDbfDescriptorSize;

// Binary fields start as zeros, text fields as blanks.
bool blankIsZero(const DbfField& field) {
  switch (field.kind) {
    case FieldKind::Double:
    case FieldKind::Integer:
      return true;
    case FieldKind::Date:
      return field.length == 3;
    case FieldKind::Memo:
      return field.length == 4;
    default:
      return false;
  }
}

// Offsets, record length, header length, version and blank record from the field list.
LayoutError finish(DbfLayout& layout, uint8_t version) {
  if (layout.fields.empty() || layout.fields.size() > kMaxFields) return LayoutError::Refused;
  uint32_t offset = 1;
  for (DbfField& field : layout.fields) {
    field.offset = offset;
    offset += field.length;
    if (offset > 0xFFFF) return LayoutError::Refused;
  }
  layout.recordLength = static_cast<uint16_t>(offset);
  layout.version = version;
  layout.blankRecord.assign(offset, ' ');
  for (const DbfField& field : layout.fields)
    if (blankIsZero(field)) std::fill_n(layout.blankRecord.begin() + field.offset, field.length, 0);
  return LayoutError::None;
}

}  // namespace

bool DbfLayout::hasMemo() const {
  return std::any_of(fields.begin(), fields.end(),
                     [](const DbfField& f) { return f.kind == FieldKind::Memo; });
}

size_t DbfLayout::fieldPos(std::string_view name) const {
  name = trim(name);
  for (size_t i = 0; i < fields.size(); ++i)
    if (equalsNoCase(fields[i].name, name)) return i + 1;
  return 0;
}

LayoutError buildLayout(const std::vector<FieldDescription>& structure, DbfLayout& layout) {
  layout = DbfLayout{};
  for (const FieldDescription& row : structure) {
    DbfField field;
    std::string_view name = trim(row.name);
    if (name.empty() || row.type.empty()) return LayoutError::Refused;
    field.name = upper(name.substr(0, 10));
    int length = std::max(row.length, 0);
    int decimals = std::max(row.decimals, 0);
    switch (upper(row.type.substr(0, 1))[0]) {
      case 'C':
        // Lengths above 255 travel in the decimals byte: length + 256 × decimals.
        length += 256 * decimals;
        if (length > 0xFFFF) return LayoutError::Refused;
        field.kind = FieldKind::Character;
        field.length = static_cast<uint16_t>(length);
        break;
      case 'N':
      case 'F':
        if (length > 255 || decimals > 255) return LayoutError::Refused;
        field.kind = FieldKind::Numeric;
        field.length = static_cast<uint16_t>(length);
        field.decimals = static_cast<uint8_t>(decimals);
        break;
      case 'D':
        field.kind = FieldKind::Date;
        field.length = length == 3 ? 3 : 8;
        break;
      case 'L':
        field.kind = FieldKind::Logical;
        field.length = 1;
        break;
      case 'M':
        field.kind = FieldKind::Memo;
        field.length = length == 4 ? 4 : 10;
        break;
      case 'B':
      case '8':
        if (decimals > 255) return LayoutError::Refused;
        field.kind = FieldKind::Double;
        field.length = 8;
        field.decimals = static_cast<uint8_t>(decimals);
        break;
      case 'I':
        field.kind = FieldKind::Integer;
        field.length = length == 2 || length == 8 ? static_cast<uint16_t>(length) : 4;
        break;
      case '2':
      case '4':
        field.kind = FieldKind::Integer;
        field.length = static_cast<uint16_t>(row.type[0] - '0');
        break;
      default:
        return LayoutError::Refused;
    }
    layout.fields.push_back(std::move(field));
  }
  LayoutError error = finish(layout, 0x03);
  if (error != LayoutError::None) return error;
  if (layout.hasMemo()) layout.version = 0x83;
  layout.headerLength =
      static_cast<uint16_t>(kDbfHeaderSize + kDbfDescriptorSize * layout.fields.size() + 2);
  return LayoutError::None;
}

bool fitRecord(std::vector<FieldDescription>& structure, size_t movable) {
  DbfLayout layout;
  while (buildLayout(structure, layout) != LayoutError::None) {
    if (structure.size() > kMaxFields) return false;
    FieldDescription* longest = nullptr;
    int longestBytes = 10;  // what the memo field takes instead
    for (size_t i = 0; i < std::min(movable, structure.size()); ++i) {
      FieldDescription& field = structure[i];
      if (upper(field.type.substr(0, 1)) != "C") continue;
      const int bytes = std::max(field.length, 0) + 256 * std::max(field.decimals, 0);
      if (bytes > longestBytes) {
        longest = &field;
        longestBytes = bytes;
      }
    }
    if (longest == nullptr) return false;
    *longest = {longest->name, "M", 10, 0};
  }
  return true;
}

size_t maxFieldCount() {
  return kMaxFields;
}

void encodeHeader(const DbfLayout& layout, uint32_t recordCount, const Date& updated,
                  std::span<char, kDbfHeaderSize> out) {
  std::fill(out.begin(), out.end(), 0);
  out[0] = static_cast<char>(layout.version);
  // One byte holds year − 1900; years outside 1900..2155 are pinned to the nearest end.
  out[1] = static_cast<char>(std::clamp(updated.year() - 1900, 0, 255));
  out[2] = static_cast<char>(updated.month());
  out[3] = static_cast<char>(updated.day());
  putLittleEndian(&out[4], recordCount, 4);
  putLittleEndian(&out[8], layout.headerLength, 2);
  putLittleEndian(&out[10], layout.recordLength, 2);
}

std::string encodeDescriptors(const DbfLayout& layout) {
  std::string out(layout.fields.size() * kDbfDescriptorSize + 2, '\0');
  char* d = out.data();
  for (const DbfField& field : layout.fields) {
    std::memcpy(d, field.name.data(), std::min<size_t>(field.name.size(), 10));
    d[11] = static_cast<char>(field.kind);
    if (field.kind == FieldKind::Character) {
      putLittleEndian(d + 16, field.length, 2);
    } else {
      d[16] = static_cast<char>(field.length);
      d[17] = static_cast<char>(field.decimals);
    }
    d += kDbfDescriptorSize;
  }
  d[0] = 0x0D;
  return out;
}

LayoutError readHeader(std::span<const char> header, DbfLayout& layout, uint32_t& storedCount) {
  layout = DbfLayout{};
  if (header.size() < kDbfHeaderSize) return LayoutError::Corrupt;
  uint8_t version = static_cast<uint8_t>(header[0]);
  if (version != 0x03 && version != 0x30 && version != 0x83 && version != 0x8B && version != 0xF5)
    return LayoutError::Corrupt;
  layout.version = version;
  storedCount = static_cast<uint32_t>(getLittleEndian(&header[4], 4));
  layout.headerLength = static_cast<uint16_t>(getLittleEndian(&header[8], 2));
  layout.recordLength = static_cast<uint16_t>(getLittleEndian(&header[10], 2));
  // At least one descriptor and its terminator, and a record of more than the deletion flag.
  if (layout.headerLength < kDbfHeaderSize + kDbfDescriptorSize + 1 || layout.recordLength < 2)
    return LayoutError::Corrupt;
  return LayoutError::None;
}

LayoutError readDescriptors(std::span<const char> descriptors, DbfLayout& layout) {
  uint16_t recordLength = layout.recordLength;
  layout.fields.clear();
  for (size_t at = 0; at + kDbfDescriptorSize <= descriptors.size(); at += kDbfDescriptorSize) {
    const char* d = descriptors.data() + at;
    if (d[0] == 0x0D) break;
    DbfField field;
    field.name.assign(d, strnlen(d, 11));
    uint8_t length = static_cast<uint8_t>(d[16]);
    uint8_t decimals = static_cast<uint8_t>(d[17]);
    switch (d[11]) {
      case 'C':
        field.kind = FieldKind::Character;
        field.length = static_cast<uint16_t>(getLittleEndian(d + 16, 2));
        break;
      case 'N':
      case 'F':
        field.kind = FieldKind::Numeric;
        field.length = length;
        field.decimals = decimals;
        break;
      case 'D':
        field.kind = FieldKind::Date;
        if (length != 3 && length != 8) return LayoutError::Corrupt;
        field.length = length;
        break;
      case 'L':
        field.kind = FieldKind::Logical;
        if (length != 1) return LayoutError::Corrupt;
        field.length = length;
        break;
      case 'M':
        field.kind = FieldKind::Memo;
        if (length != 4 && length != 10) return LayoutError::Corrupt;
        field.length = length;
        break;
      case 'B':
        field.kind = FieldKind::Double;
        if (length != 8) return LayoutError::Corrupt;
        field.length = length;
        field.decimals = decimals;
        break;
      case 'I':
        field.kind = FieldKind::Integer;
        if (length != 2 && length != 4 && length != 8) return LayoutError::Corrupt;
        field.length = length;
        break;
      default:
        return LayoutError::Corrupt;
    }
    layout.fields.push_back(std::move(field));
  }
  uint16_t headerLength = layout.headerLength;
  uint8_t version = layout.version;
  if (finish(layout, version) != LayoutError::None || layout.recordLength != recordLength)
    return LayoutError::Corrupt;
  layout.headerLength = headerLength;
  return LayoutError::None;
}

}  // namespace tabulink
