// Reading the rows held: the current record, and held rows of the cache table beside it, for a
// read cursor of its own; both read alike. A result read once is read from its row reader.

#include "core/text.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"

namespace tabulink {

CachedRow TDbOdbcDirect::rowIn(std::string_view record, const std::vector<DbfField>& fields) const {
  CachedRow row;
  const DbfField& flags = fields[aFields_.size()];
  row.record_ = record;
  row.flags_ = record.substr(flags.offset, flags.length);
  row.plans_ = reader_.plans().data();
  row.columns_ = aFields_.size();
  return row;
}

CachedRow TDbOdbcDirect::CurrentRow() {
  if (DbfTable* table = cache(); table != nullptr && table->fieldCount() == cacheFieldCount_)
    return rowIn(table->record(), table->layout().fields);
  if (!readOnce_ || rowsRead_ == 0) return {};
  CachedRow row;
  row.reader_ = &reader_;
  row.flags_ = reader_.flags();
  row.plans_ = reader_.plans().data();
  row.columns_ = aFields_.size();
  return row;
}

CachedRow TDbOdbcDirect::ReadRow(long n, std::string& record) {
  DbfTable* table = cache();
  if (table == nullptr || table->fieldCount() != cacheFieldCount_ || !table->readRecord(n, record))
    return {};
  return rowIn(record, table->layout().fields);
}

void TDbOdbcDirect::RowValue(const CachedRow& row, size_t i, Value& out) {
  if (i >= row.columns_) {
    out = Value();
    return;
  }
  // The column's flag byte says where its value is held.
  if (row.isNumberText(i)) {
    out.reuseText().assign(trimRight(row.bytes(i)));
    return;
  }
  if (row.reader_ != nullptr) {
    row.reader_->value(i, out);
    return;
  }
  const size_t wholeField = reader_.plans()[i].wholeField;
  const size_t field = row.isLonger(i) && wholeField != 0 ? wholeField : i;
  if (DbfTable* table = cache()) {
    table->get(row.record_, field, out);
  } else {
    out = Value();
  }
}

void TDbOdbcDirect::CachedValue(size_t i, Value& out) {
  RowValue(CurrentRow(), i, out);
}

Value TDbOdbcDirect::FieldGet(int n) {
  Value value;
  FieldGet(n, value);
  return value;
}

void TDbOdbcDirect::FieldGet(int n, Value& out) {
  if (n < 1 || n > nFields_ || FieldIsNull(n)) {
    out = Value();
    return;
  }
  CachedValue(static_cast<size_t>(n - 1), out);
}

bool TDbOdbcDirect::FieldIsNull(int n) {
  return n >= 1 && CurrentRow().isNull(static_cast<size_t>(n - 1));
}

}  // namespace tabulink
