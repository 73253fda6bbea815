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
  const auto appendCell = [this](LineWriter& line, const CachedRow& row, size_t i, Cell,
                                 std::string_view text) {
    const char flag = row.flag(i);
    if (flag == CachedRow::kNullFlag) return;
    // A character column's value goes out filled to the column's width, a text held in a
    // character field also to the field's (a column that reports no length has a field of one
    // byte).
    size_t width = fields_[i].type == 'C' ? static_cast<size_t>(std::max(fields_[i].length, 0)) : 0;
    if (flag != CachedRow::kLongerFlag && row.heldAsText(i))
      width = std::max<size_t>(width, row.field(i)->length);
    line.putFilled(text, width);
  };
  writeRow(resultSet, appendCell);
}

}  // namespace tabulink
