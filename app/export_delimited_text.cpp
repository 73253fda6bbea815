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

int DelimitedTextExport::head(const std::vector<OutputField>& fields) {
  const int fd = SeparatedTextExport::head(fields);
  widths_.clear();
  for (const OutputField& field : fields_)
    widths_.push_back(field.type == 'C' ? static_cast<size_t>(std::max(field.length, 0)) : 0);
  return fd;
}

void DelimitedTextExport::row(TDbOdbcDirect& resultSet) {
  const auto appendCell = [this](LineWriter& line, const CachedRow& row, size_t i, Cell cell,
                                 std::string_view text) {
    if (cell == Cell::Null) return;
    // A text held in a character field goes out filled to the field's width too (a column that
    // reports no length has a field of one byte).
    line.putFilled(
        text, cell == Cell::Held ? std::max<size_t>(widths_[i], row.field(i)->length) : widths_[i]);
  };
  writeRow(resultSet, appendCell);
}

}  // namespace tabulink
