#include "app/export_text.h"

#include "app/error_collection.h"
#include "app/export_cells.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

bool TextExport::create(const std::vector<OutputField>& fields) {
  if (int error = file_.create(path_); error != 0) {
    ZULERROR(asciiFileError("creating", error));
    return false;
  }
  fields_ = fields;
  values_.assign(fields_.size(), Value());
  return true;
}

TextExport::Cell TextExport::cellText(TDbOdbcDirect& resultSet, size_t i) {
  cell_.clear();
  const OutputField& field = fields_[i];
  const int n = static_cast<int>(i + 1);
  // A number usually goes out as the cache stores it.
  if (field.type == 'N' && !resultSet.FieldIsNull(n) &&
      appendStoredNumberText(cell_, resultSet.FieldBytes(n), field.decimals, decChar_))
    return Cell::Number;
  Value& value = values_[i];
  resultSet.FieldGet(n, value);  // absent when NULL
  if (value.isAbsent()) return Cell::Null;
  if (field.type == 'N') {
    appendNumberText(cell_, value, decChar_);
    return Cell::Number;
  }
  appendValueText(cell_, value);
  return Cell::Text;
}

void TextExport::finish() {
  if (int error = file_.finish(); error != 0) ZULERROR(asciiFileError("writing", error));
}

}  // namespace tabulink
