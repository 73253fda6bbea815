#include "app/export_delimited_text.h"

#include <algorithm>

namespace tabulink {

int SeparatedTextExport::head(const std::vector<OutputField>& fields) {
  if (!create(fields)) return -1;
  std::string& line = file_.buffer();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line.push_back(separator_);
    appendName(line, fields_[i].name);
  }
  line.append("\r\n");
  file_.lineDone();
  return file_.fd();
}

void SeparatedTextExport::row(TDbOdbcDirect& resultSet) {
  std::string& line = file_.buffer();
  const CachedRow row = resultSet.CurrentRow();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line.push_back(separator_);
    std::string_view text;
    const Cell cell = cellText(resultSet, row, i, text);
    appendCell(line, row, i, cell, text);
  }
  line.append("\r\n");
  file_.lineDone();
}

void DelimitedTextExport::appendCell(std::string& line, const CachedRow& row, size_t i, Cell,
                                     std::string_view text) const {
  line.append(text);
  // A text held in a character field goes out filled to the field's width (a column that reports
  // no length has a field of one byte), a character column's also to the column's.
  size_t width = row.isText(i) ? row.field(i)->length : 0;
  if (fields_[i].type == 'C' && !row.isNull(i))
    width = std::max(width, static_cast<size_t>(std::max(fields_[i].length, 0)));
  if (text.size() < width) line.append(width - text.size(), ' ');
}

}  // namespace tabulink
