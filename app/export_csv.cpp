#include "app/export_csv.h"

#include <cstdint>
#include <cstring>

#include "core/text.h"

namespace tabulink {
namespace {

// Whether `field` holds a comma, a quote, CR or LF. Eight bytes are looked at together: a byte
// equal to c makes a zero byte of word ^ c, which (x - 0x01..) & ~x & 0x80.. finds. Most cells
// hold none, and long texts are common, so this runs on every byte of the output.
bool needsQuotes(std::string_view field) {
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kHighs = 0x8080808080808080;
  const auto hasZeroByte = [](uint64_t x) { return (x - kOnes) & ~x & kHighs; };
  size_t at = 0;
  for (; at + sizeof(uint64_t) <= field.size(); at += sizeof(uint64_t)) {
    uint64_t word;
    std::memcpy(&word, field.data() + at, sizeof word);
    if (hasZeroByte(word ^ (kOnes * ',')) | hasZeroByte(word ^ (kOnes * '"')) |
        hasZeroByte(word ^ (kOnes * '\r')) | hasZeroByte(word ^ (kOnes * '\n')))
      return true;
  }
  for (; at < field.size(); ++at) {
    const char c = field[at];
    if (c == ',' || c == '"' || c == '\r' || c == '\n') return true;
  }
  return false;
}

// A field as RFC 4180 writes it: quoted, its quotes doubled, when it holds a separator.
void appendField(LineWriter& line, std::string_view field) {
  if (!needsQuotes(field)) {
    line.put(field);
    return;
  }
  line.put('"');
  for (size_t from = 0;;) {
    const size_t quote = field.find('"', from);
    line.put(field.substr(from, quote == std::string_view::npos ? quote : quote + 1 - from));
    if (quote == std::string_view::npos) break;
    line.put('"');
    from = quote + 1;
  }
  line.put('"');
}

}  // namespace

void CsvExport::appendName(LineWriter& line, std::string_view name) const {
  appendField(line, name);
}

void CsvExport::row(TDbOdbcDirect& resultSet) {
  const auto appendCell = [](LineWriter& line, const CachedRow&, size_t, Cell cell,
                             std::string_view text) {
    if (cell == Cell::Null) return;
    // A character field of the cache holds its value padded with blanks to the column's width.
    if (cell == Cell::Held) text = trimRight(text);
    if (text.empty()) {
      line.put("\"\"");
    } else {
      appendField(line, text);
    }
  };
  writeRow(resultSet, appendCell);
}

}  // namespace tabulink
