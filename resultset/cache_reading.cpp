// Reading held rows of the cache table beside its current record, for a read cursor of its own.

#include "core/text.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"

namespace tabulink {

CachedRow TDbOdbcDirect::ReadRow(long n, std::string& record) {
  CachedRow row;
  DbfTable* table = cache();
  if (table == nullptr || table->fieldCount() != cacheFieldCount_ || !table->readRecord(n, record))
    return row;
  const DbfField& flags = table->layout().fields[aFields_.size()];
  row.record_ = record;
  row.nulls_ = std::string_view(record).substr(flags.offset, flags.length);
  row.fields_ = table->layout().fields.data();
  row.plans_ = plans_.data();
  row.columns_ = aFields_.size();
  return row;
}

void TDbOdbcDirect::RowValue(const CachedRow& row, size_t i, Value& out) {
  DbfTable* table = cache();
  if (table == nullptr || i >= row.columns_) {
    out = Value();
    return;
  }
  // The column's flag byte says where its value is held.
  if (row.isNumberText(i)) {
    out.reuseText().assign(trimRight(row.bytes(i)));
    return;
  }
  const size_t wholeField = plans_[i].wholeField;
  table->get(row.record_, row.isLonger(i) && wholeField != 0 ? wholeField : i, out);
}

}  // namespace tabulink
