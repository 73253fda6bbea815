#include "app/export_csv.h"

#include "core/text.h"

namespace tabulink {
namespace {

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

int CsvExport::head(const std::vector<OutputField>& fields) {
  if (!create(fields)) return -1;
  std::string& line = file_.buffer();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line.push_back(',');
    appendField(line, fields_[i].name);
  }
  line.append("\r\n");
  file_.lineDone();
  return file_.fd();
}

void CsvExport::row(TDbOdbcDirect& resultSet) {
  std::string& line = file_.buffer();
  const CachedRow row = resultSet.CurrentRow();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line.push_back(',');
    std::string_view text;
    const Cell cell = cellText(resultSet, row, i, text);
    if (cell == Cell::Null) continue;
    // A character field of the cache holds its value padded with blanks to the column's width.
    if (row.isText(i)) text = trimRight(text);
    if (text.empty()) {
      line.append("\"\"");
    } else {
      appendField(line, text);
    }
  }
  line.append("\r\n");
  file_.lineDone();
}

}  // namespace tabulink
