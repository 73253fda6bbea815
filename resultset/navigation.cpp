// Moving through the rows of a result set: within the held rows, fetching only as many more as a
// move needs; never past the last row.

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
  DbfTable* table = cache();
  return table != nullptr ? table->recNo() : 0;
}

void TDbOdbcDirect::Skip(long n) {
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
  const long count = table != nullptr ? table->recCount() : 0;
  return count == Recno() && IsComplete();
}

bool TDbOdbcDirect::Bof() {
  DbfTable* table = cache();
  return table == nullptr || table->bof();
}

long TDbOdbcDirect::RecCount() {
  if (!IsComplete()) {
    const long position = Recno();
    GoBottom();
    Goto(position);
  }
  DbfTable* table = cache();
  return table != nullptr ? table->recCount() : 0;
}

bool TDbOdbcDirect::IsComplete() const {
  return hStmt_.handle() == SQL_NULL_HSTMT;
}

}  // namespace tabulink
