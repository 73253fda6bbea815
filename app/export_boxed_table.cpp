#include "app/export_boxed_table.h"

#include <algorithm>
#include <cstring>

#include "core/text.h"
#include "failure/interruption.h"

namespace tabulink {

bool BoxedTableExport::measures(const TDbOdbcDirect& resultSet) {
  for (int n = 1; n <= resultSet.FCount(); ++n)
    if (resultSet.FieldType(n) == 'M') return true;
  return false;
}

void BoxedTableExport::measure(TDbOdbcDirect& resultSet) {
  memoWidths_.assign(static_cast<size_t>(std::max(resultSet.FCount(), 0)), 0);
  if (!measures(resultSet)) return;
  // A text column's described length (65,536 for a SQLite TEXT) says nothing of its values.
  resultSet.Complete();
  resultSet.GoTop();
  if (resultSet.Bof()) return;  // no rows
  Value value;
  for (;;) {
    if (interruptSignal() != 0) break;
    const CachedRow row = resultSet.CurrentRow();
    for (size_t i = 0; i < memoWidths_.size(); ++i) {
      if (resultSet.FieldType(static_cast<int>(i + 1)) != 'M' || row.isNull(i)) continue;
      resultSet.CachedValue(i, value);
      if (value.isText()) memoWidths_[i] = std::max(memoWidths_[i], value.text().size());
    }
    const long current = resultSet.Recno();
    resultSet.Skip();
    if (resultSet.Recno() == current) break;
  }
  resultSet.GoTop();
}

int BoxedTableExport::head(const std::vector<OutputField>& fields) {
  if (!create(fields)) return -1;
  // Beginning with ".", the decimal character is the point.
  const size_t decimalExtra =
      decChar().starts_with(".") || decChar().empty() ? 0 : decChar().size() - 1;
  widths_.clear();
  for (size_t i = 0; i < fields_.size(); ++i) {
    const OutputField& field = fields_[i];
    size_t width = field.length > 0 ? static_cast<size_t>(field.length) : 0;
    if (field.type == 'L') {
      width = std::max<size_t>(width, 3);
    } else if (field.type == 'N' && field.decimals > 0) {
      width += decimalExtra;
    } else if (field.type == 'M') {
      width = std::max(i < memoWidths_.size() ? memoWidths_[i] : 0, field.name.size());
    }
    widths_.push_back(width);
  }
  border_ = "+";
  std::string names = "|";
  for (size_t i = 0; i < fields_.size(); ++i) {
    border_.append(widths_[i], '-').append("+");
    appendPadRight(names, fields_[i].name, widths_[i]);
    names.append("|");
  }
  border_.append("\r\n");
  names.append("\r\n");
  file_.append(border_);
  file_.append(names);
  file_.append(border_);
  return file_.fd();
}

void BoxedTableExport::row(TDbOdbcDirect& resultSet) {
  // The line is as wide as the border: its cells are written into place.
  std::string& line = file_.buffer();
  const size_t start = line.size();
  line.resize(start + border_.size());
  char* at = line.data() + start;
  *at++ = '|';
  const CachedRow row = resultSet.CurrentRow();
  for (size_t i = 0; i < fields_.size(); ++i) {
    const size_t width = widths_[i];
    // Numbers are right-aligned, other values left-aligned; a cut keeps the leftmost bytes.
    std::string_view text;
    switch (cellText(resultSet, row, i, text)) {
      case Cell::Null:
        std::memset(at, ' ', width);
        break;
      case Cell::Number:
        writePadLeft(at, text, width);
        break;
      case Cell::Text:
        writePadRight(at, text, width);
        break;
    }
    at += width;
    *at++ = '|';
  }
  *at++ = '\r';
  *at = '\n';
  file_.lineDone();
}

void BoxedTableExport::foot() {
  file_.append(border_);
}

}  // namespace tabulink
