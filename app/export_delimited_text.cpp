#include "app/export_delimited_text.h"

namespace tabulink {

int DelimitedTextExport::head(const std::vector<OutputField>& fields) {
  if (!create(fields)) return -1;
  line_.clear();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line_.append("\t");
    line_.append(fields_[i].name);
  }
  line_.append("\r\n");
  file_.append(line_);
  return file_.fd();
}

void DelimitedTextExport::row(TDbOdbcDirect& resultSet) {
  line_.clear();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line_.append("\t");
    std::string_view text;
    cellText(resultSet, i, text);
    line_.append(text);
  }
  line_.append("\r\n");
  file_.append(line_);
}

}  // namespace tabulink
