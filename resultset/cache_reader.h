#pragma once
// A read cursor of its own over a result set's cache table: any held row is read into bytes of the
// cursor's own, so reading never moves the table's current record, where a timer fill appends rows
// and an edit is made. The grid paints through one.

#include <string>

#include "core/value.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

class CacheReader {
 public:
  explicit CacheReader(TDbOdbcDirect& resultSet) : resultSet_(resultSet) {}

  // Row n (from 1) as the cache holds it now (an edit not yet sent included), valid until the
  // next read; no columns when the cache holds no row n.
  const CachedRow& row(long n) {
    row_ = resultSet_.ReadRow(n, record_);
    return row_;
  }
  // Column i (from 0) of the row read last, which is not NULL there, as FieldGet gives it.
  void value(size_t i, Value& out) { resultSet_.RowValue(row_, i, out); }

 private:
  TDbOdbcDirect& resultSet_;
  std::string record_;
  CachedRow row_;
};

}  // namespace tabulink
