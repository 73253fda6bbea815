#include "app/export_delimited_text.h"

#include "app/error_collection.h"
#include "app/export_cells.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

int DelimitedTextExport::head(const std::vector<OutputField>& fields) {
  if (int error = file_.create(path_); error != 0) {
    ZULERROR(asciiFileError("creating", error));
    return -1;
  }
  fields_ = fields;
  values_.assign(fields_.size(), Value());
  line_.clear();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line_.append("\t");
    line_.append(fields_[i].name);
  }
  line_.append("\r\n");
  file_.append(line_);
  return file_.fd();
}

void DelimitedTextExport::row(TDbOdbcDirect& resultSet) {
  line_.clear();
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (i > 0) line_.append("\t");
    const int n = static_cast<int>(i + 1);
    // A number usually goes out as the cache stores it.
    if (fields_[i].type == 'N' && !resultSet.FieldIsNull(n) &&
        appendStoredNumberText(line_, resultSet.FieldBytes(n), fields_[i].decimals, decChar_))
      continue;
    Value& value = values_[i];
    resultSet.FieldGet(n, value);  // absent when NULL
    if (value.isAbsent()) continue;
    if (fields_[i].type == 'N') {
      appendNumberText(line_, value, decChar_);
    } else {
      appendValueText(line_, value);
    }
  }
  line_.append("\r\n");
  file_.append(line_);
}

void DelimitedTextExport::close() {
  if (int error = file_.close(); error != 0) ZULERROR(asciiFileError("writing", error));
}

}  // namespace tabulink
