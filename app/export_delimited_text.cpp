#include "app/export_delimited_text.h"

#include <algorithm>

namespace tabulink {

int SeparatedTextExport::head(const std::vector<OutputField>& fields) {
  if (!create(fields)) return -1;
  LineWriter line(file_);
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line.put(separator_);
    appendName(line, fields_[i].name);
  }
  line.done();
  return file_.fd();
}

void DelimitedTextExport::row(TDbOdbcDirect& resultSet) {
  writeRow(resultSet,
           [this](LineWriter& line, const CachedRow& row, size_t i, Cell, std::string_view text) {
             // A text held in a character field goes out filled to the field's width (a column that
             // reports no length has a field of one byte), a character column's also to the
             // column's.
             size_t width = row.isText(i) ? row.field(i)->length : 0;
             if (fields_[i].type == 'C' && !row.isNull(i))
               width = std::max(width, static_cast<size_t>(std::max(fields_[i].length, 0)));
             line.putFilled(text, width);
           });
}

}  // namespace tabulink
