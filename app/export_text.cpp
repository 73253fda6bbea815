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
  return true;
}

TextExport::Cell TextExport::cellText(TDbOdbcDirect& resultSet, const CachedRow& row, size_t i,
                                      std::string_view& text) {
  // A text the cache holds as it is goes out from there.
  if (row.isText(i)) {
    text = row.bytes(i);
    return Cell::Text;
  }
  if (row.isNumberText(i)) {
    text = trimRight(row.bytes(i));
    return Cell::Text;
  }
  text = {};
  if (row.isNull(i)) return Cell::Null;
  cell_.clear();
  const OutputField& field = fields_[i];
  // A number usually goes out as its field holds it.
  const std::string_view number = field.type == 'N' ? row.numberText(i) : std::string_view();
  if (!number.empty()) {
    appendPlainNumberText(cell_, number, decChar_);
  } else {
    Value& value = values_[i];
    resultSet.CachedValue(i, value);
    if (value.isAbsent()) return Cell::Null;
    if (field.type == 'N') {
      appendNumberText(cell_, value, decChar_);
    } else if (value.isText()) {
      // A text (a memo among them) goes out from the value it was read into, kept until the next
      // row.
      text = value.text();
      return Cell::Text;
    } else {
      appendValueText(cell_, value);
    }
  }
  text = cell_;
  return field.type == 'N' ? Cell::Number : Cell::Text;
}

void TextExport::finish() {
  if (int error = file_.finish(); error != 0) ZULERROR(asciiFileError("writing", error));
}

}  // namespace tabulink
