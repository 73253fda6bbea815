#include "app/export_text.h"

#include "app/error_collection.h"
#include "app/export_cells.h"
#include "core/text.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

bool TextExport::create(const std::vector<OutputField>& fields) {
  if (int error = file_.create(path_); error != 0) {
    ZULERROR(file_.refusal().empty() ? asciiFileError("creating", error) : file_.refusal());
    return false;
  }
  fields_ = fields;
  values_.assign(fields_.size(), Value());
  cells_.assign(fields_.size(), std::string());
  return true;
}

TextExport::Cell TextExport::madeCellText(TDbOdbcDirect& resultSet, const CachedRow& row, size_t i,
                                          char flag, std::string_view& text) {
  if (flag == CachedRow::kNumberTextFlag) {
    text = trimRight(row.bytes(i));
    return Cell::Text;
  }
  const OutputField& field = fields_[i];
  if (row.holdsMemoText(i)) {
    text = row.bytes(i);
    return Cell::Text;
  }
  text = {};
  Value& value = values_[i];
  resultSet.RowValue(row, i, value);
  if (value.isAbsent()) return Cell::Null;
  if (field.type == 'N') {
    std::string& cell = cells_[i];
    cell.clear();
    appendNumberText(cell, value, decChar_);
    text = cell;
    return Cell::Number;
  }
  // A text (a memo among them) goes out from the value it was read into, kept until the next row.
  text = valueText(value, cells_[i]);
  return Cell::Text;
}

std::string_view TextExport::withDecimalCharacter(size_t i, std::string_view number) {
  std::string& cell = cells_[i];
  cell.clear();
  appendPlainNumberText(cell, number, decChar_);
  return cell;
}

void TextExport::finish() {
  if (int error = file_.finish(); error != 0) ZULERROR(asciiFileError("writing", error));
}

}  // namespace tabulink
