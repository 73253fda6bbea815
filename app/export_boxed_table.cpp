#include "app/export_boxed_table.h"

#include <cstring>

#include "app/error_collection.h"
#include "core/text.h"

namespace tabulink {
namespace {

size_t widthOf(const OutputField& field) {
  return field.length > 0 ? static_cast<size_t>(field.length) : 0;
}

}  // namespace

int BoxedTableExport::head(const std::vector<OutputField>& fields) {
  if (!create(fields)) return -1;
  border_ = "+";
  std::string names = "|";
  for (const OutputField& field : fields_) {
    border_.append(widthOf(field), '-').append("+");
    appendPadRight(names, field.name, widthOf(field));
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
  ++rows_;
  // The line is as wide as the border: its cells are written into place.
  std::string& line = file_.buffer();
  const size_t start = line.size();
  line.resize(start + border_.size());
  char* at = line.data() + start;
  *at++ = '|';
  const CachedRow row = resultSet.CurrentRow();
  for (size_t i = 0; i < fields_.size(); ++i) {
    const size_t width = widthOf(fields_[i]);
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
        // A memo is read up to the cap, which its column's length need not reach.
        if (fields_[i].type == 'M' && text.size() > width)
          ZULERROR("Field '" + fields_[i].name + "' row " + std::to_string(rows_) + " - value of " +
                   std::to_string(text.size()) + " bytes cut to " + std::to_string(width) +
                   " - Data Width Error.");
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
