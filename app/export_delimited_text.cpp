#include "app/export_delimited_text.h"

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
  }
  line.append("\r\n");
  file_.lineDone();
}

}  // namespace tabulink
