#include "app/export_boxed_table.h"

#include "app/error_collection.h"
#include "app/export_cells.h"
#include "core/text.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {
namespace {

size_t widthOf(const OutputField& field) {
  return field.length > 0 ? static_cast<size_t>(field.length) : 0;
}

}  // namespace

int BoxedTableExport::head(const std::vector<OutputField>& fields) {
  if (int error = file_.create(path_); error != 0) {
    ZULERROR(asciiFileError("creating", error));
    return -1;
  }
  fields_ = fields;
  values_.assign(fields_.size(), Value());
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
  line_.assign("|");
  for (size_t i = 0; i < fields_.size(); ++i) {
    const OutputField& field = fields_[i];
    size_t width = widthOf(field);
    const int n = static_cast<int>(i + 1);
    cell_.clear();
    // A number usually goes out as the cache stores it.
    if (field.type == 'N' && !resultSet.FieldIsNull(n) &&
        appendStoredNumberText(cell_, resultSet.FieldBytes(n), field.decimals, decChar_)) {
      appendPadLeft(line_, cell_, width);
    } else {
      Value& value = values_[i];
      resultSet.FieldGet(n, value);  // absent when NULL
      if (value.isAbsent()) {
        line_.append(width, ' ');
      } else if (field.type == 'N') {
        appendNumberText(cell_, value, decChar_);
        appendPadLeft(line_, cell_, width);
      } else {
        appendValueText(cell_, value);
        appendPadRight(line_, cell_, width);
      }
    }
    line_.append("|");
  }
  line_.append("\r\n");
  file_.append(line_);
}

void BoxedTableExport::foot() {
  file_.append(border_);
}

void BoxedTableExport::close() {
  if (int error = file_.close(); error != 0) ZULERROR(asciiFileError("writing", error));
}

}  // namespace tabulink
