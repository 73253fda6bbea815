#include "app/export_delimited_text.h"

#include <algorithm>

namespace tabulink {

int DelimitedTextExport::head(const std::vector<OutputField>& fields) {
  if (!create(fields)) return -1;
  std::string& line = file_.buffer();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line.append("\t");
    line.append(fields_[i].name);
  }
  line.append("\r\n");
  file_.lineDone();
  return file_.fd();
}

void DelimitedTextExport::row(TDbOdbcDirect& resultSet) {
  std::string& line = file_.buffer();
  const CachedRow row = resultSet.CurrentRow();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line.push_back('\t');
    std::string_view text;
    cellText(resultSet, row, i, text);
    line.append(text);
    // A character value is filled to its column's width (a text read whole is stored as read).
    const size_t width = static_cast<size_t>(std::max(fields_[i].length, 0));
    if (fields_[i].type == 'C' && !row.isNull(i) && text.size() < width)
      line.append(width - text.size(), ' ');
  }
  line.append("\r\n");
  file_.lineDone();
}

}  // namespace tabulink
