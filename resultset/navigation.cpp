// Moving through the rows of a result set: within the held rows, fetching only as many more as a
// move needs; never past the last row. A result read once (no cache table) only moves forward.

#include <algorithm>

#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"

namespace tabulink {

void TDbOdbcDirect::GoTop() {
  if (DbfTable* table = cache()) table->goTop();
}

void TDbOdbcDirect::GoBottom() {
  if (!IsComplete()) {
    endTimer();
    Fill(0);
  }
  if (DbfTable* table = cache()) table->goBottom();
}

void TDbOdbcDirect::Goto(long n) {
  if (readOnce_) {
    if (n > rowsRead_) Fill(n - rowsRead_);
    return;
  }
  DbfTable* table = cache();
  if (table == nullptr) return;
  if (n <= static_cast<long>(table->recCount())) {
    table->goTo(n);
  } else if (IsComplete()) {
    GoBottom();
  } else {
    Fill(n - static_cast<long>(table->recCount()));
    if ((table = cache()) != nullptr) table->goTo(std::min<long>(n, table->recCount()));
  }
}

long TDbOdbcDirect::Recno() {
  if (readOnce_) return rowsRead_;
  DbfTable* table = cache();
  return table != nullptr ? table->recNo() : 0;
}

void TDbOdbcDirect::Skip(long n) {
  if (readOnce_) {
    // Forward only, as Goto moves it; a file export skips here for every row.
    if (n > 0) Fill(n);
    return;
  }
  DbfTable* table = cache();
  if (table == nullptr) return;
  const long r = table->recNo();
  const long c = table->recCount();
  if (r + n <= 0) {
    GoTop();
  } else if (r + n <= c) {
    table->skip(n);
  } else if (IsComplete()) {
    if (n > 0) {
      GoBottom();
    } else {
      GoTop();
    }
  } else {
    Fill(r - c + n);
    if ((table = cache()) != nullptr) table->goTo(std::min<long>(r + n, table->recCount()));
  }
}

bool TDbOdbcDirect::Eof() {
  DbfTable* table = cache();
  const long count = table != nullptr ? table->recCount() : readOnce_ ? rowsRead_ : 0;
  return count == Recno() && IsComplete();
}

bool TDbOdbcDirect::Bof() {
  if (readOnce_) return rowsRead_ == 0;
  DbfTable* table = cache();
  return table == nullptr || table->bof();
}

long TDbOdbcDirect::RecCount() {
  if (!IsComplete()) {
    const long position = Recno();
    GoBottom();
    Goto(position);
  }
  if (readOnce_) return rowsRead_;
  DbfTable* table = cache();
  return table != nullptr ? table->recCount() : 0;
}

bool TDbOdbcDirect::IsComplete() const {
  return rows_.ended();
}

}  // namespace tabulink
