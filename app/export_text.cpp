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

TextExport::Cell TextExport::cellText(TDbOdbcDirect& resultSet, size_t i, std::string_view& text) {
  const OutputField& field = fields_[i];
  const int n = static_cast<int>(i + 1);
  // A text the cache holds as it is goes out from there.
  if (resultSet.FieldText(n, text)) return Cell::Text;
  cell_.clear();
  Cell cell = Cell::Text;
  if (field.type == 'N' && !resultSet.FieldIsNull(n) &&
      appendStoredNumberText(cell_, resultSet.FieldBytes(n), field.decimals, decChar_)) {
    // A number usually goes out as the cache stores it.
    cell = Cell::Number;
  } else {
    Value& value = values_[i];
    resultSet.FieldGet(n, value);  // absent when NULL
    if (value.isAbsent()) {
      cell = Cell::Null;
    } else if (field.type == 'N') {
      appendNumberText(cell_, value, decChar_);
      cell = Cell::Number;
    } else {
      appendValueText(cell_, value);
    }
  }
  text = cell_;
  return cell;
}

void TextExport::finish() {
  if (int error = file_.finish(); error != 0) ZULERROR(asciiFileError("writing", error));
}

}  // namespace tabulink
