#include "app/export_csv.h"

#include "core/text.h"

namespace tabulink {
namespace {

// A field as RFC 4180 writes it: quoted, its quotes doubled, when it holds a separator.
void appendField(std::string& line, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    line.append(field);
    return;
  }
  line.push_back('"');
  for (size_t from = 0;;) {
    const size_t quote = field.find('"', from);
    line.append(field.substr(from, quote == std::string_view::npos ? quote : quote + 1 - from));
    if (quote == std::string_view::npos) break;
    line.push_back('"');
    from = quote + 1;
  }
  line.push_back('"');
}

}  // namespace

void CsvExport::appendName(std::string& line, std::string_view name) const {
  appendField(line, name);
}

void CsvExport::appendCell(std::string& line, const CachedRow& row, size_t i, Cell cell,
                           std::string_view text) const {
  if (cell == Cell::Null) return;
  // A character field of the cache holds its value padded with blanks to the column's width.
  if (row.isText(i)) text = trimRight(text);
  if (text.empty()) {
    line.append("\"\"");
  } else {
    appendField(line, text);
  }
}

}  // namespace tabulink
