#include "resultset/row_source.h"

#include <system_error>

#include "odbc/row_read_ahead.h"
#include "odbc/todbc.h"
#include "odbc/wrappers.h"

namespace tabulink {

RowSource::RowSource() = default;

RowSource::~RowSource() {
  end();
}

void RowSource::start(TOdbc* session, OdbcStatement statement) {
  end();
  session_ = session;
  statement_ = std::move(statement);
  endedInError_ = false;
}

void RowSource::readAhead(const std::vector<ColumnDescription>& columns) {
  if (readAhead_ || ended() || columns.empty()) return;
  std::vector<RowReadAhead::Column> reads;
  for (const ColumnDescription& column : columns)
    reads.push_back({column.cType, column.fetchLength(), column.readsWhole()});
  try {
    readAhead_ = std::make_unique<RowReadAhead>(
        session_ != nullptr ? session_->hDbc() : SQL_NULL_HDBC, handle(), std::move(reads));
  } catch (const std::system_error&) {
    // No second thread: rows are read as they are needed.
  }
}

bool RowSource::fetch(const std::source_location& loc) {
  ahead_ = nullptr;
  if (ended()) return false;
  int rc = SQL_NO_DATA;
  bool fetched = false;
  if (readAhead_) {
    const FetchedRow& row = readAhead_->next();
    rc = row.fetchRc;
    fetched = session_->Fetched(rc, handle(), loc);
    // The row's bytes stay the read-ahead's until the next fetch, unless it ends here.
    if (fetched) ahead_ = &row;
  } else {
    rc = SQLFETCH(handle());
    fetched = session_->Fetched(rc, handle(), loc);
  }
  if (!fetched) {
    // A failed fetch ends the rows as their end does, but what was read is not the whole result.
    endedInError_ = rc != SQL_NO_DATA;
    end();
  }
  return fetched;
}

void RowSource::endReadAhead() {
  ahead_ = nullptr;
  readAhead_.reset();
}

ColumnRead RowSource::read(int n, const ColumnDescription& column, std::vector<char>& buffer,
                           SQLHSTMT stmt) const {
  return readColumn(stmt != SQL_NULL_HSTMT ? stmt : handle(), n, column, buffer);
}

void RowSource::cancel() {
  if (!ended()) SQLCANCEL(handle());
}

void RowSource::end() {
  endReadAhead();
  if (ended()) return;
  if (session_ != nullptr) {
    session_->DropStatement(statement_);
  } else {
    statement_.drop();
  }
}

}  // namespace tabulink
