#pragma once
// The rows of a result's statement, read in order: the statement, the read-ahead that reads them
// on a second thread where one can run, and the only calls that fetch them. Every fetch goes
// through the session's checked path, which records a failed one.

#include <memory>
#include <source_location>
#include <vector>

#include "odbc/adapters.h"
#include "odbc/column_description.h"
#include "odbc/statement.h"

namespace tabulink {

class TOdbc;
class RowReadAhead;
struct FetchedRow;

class RowSource {
 public:
  RowSource();
  ~RowSource();
  RowSource(const RowSource&) = delete;
  RowSource& operator=(const RowSource&) = delete;

  // Reads `statement` (executed or about to be) of `session` from now on; the rows read before,
  // and how they ended, are forgotten.
  void start(TOdbc* session, OdbcStatement statement);
  SQLHSTMT handle() const { return statement_.handle(); }
  // Whether the statement is gone: the rows came to their end, failed, were stopped, or none began.
  bool ended() const { return handle() == SQL_NULL_HSTMT; }
  // Whether the rows ended in a failed fetch (on the session's error list) instead of at their end.
  bool endedInError() const { return endedInError_; }

  // From the next row on, rows are read on a second thread with `columns`; where none can be
  // started, they are read as they are needed.
  void readAhead(const std::vector<ColumnDescription>& columns);
  bool readsAhead() const { return readAhead_ != nullptr; }

  // Fetches the next row; false at the end of the rows or on a failure, which ends them. A row the
  // read-ahead delivered is `ahead()` until the next fetch; the columns of any other row, and those
  // the read-ahead left unread, are read with `read`.
  bool fetch(const std::source_location& loc = std::source_location::current());
  const FetchedRow* ahead() const { return ahead_; }
  // Once the caller has taken a row marked last from `ahead()`: the read-ahead has ended, and the
  // rest of the row and the rows after it are read as they are needed.
  void endReadAhead();
  // Column n (from 1) of the current row of `stmt`, the source's own statement when null.
  ColumnRead read(int n, const ColumnDescription& column, std::vector<char>& buffer,
                  SQLHSTMT stmt = SQL_NULL_HSTMT) const;

  // Cancels the statement on the server, for a stop that should not wait for the rest of the rows.
  void cancel();
  // Stops a read-ahead and releases the statement: the rows have ended.
  void end();

 private:
  TOdbc* session_ = nullptr;
  OdbcStatement statement_;
  std::unique_ptr<RowReadAhead> readAhead_;  // reading statement_ while it lives
  const FetchedRow* ahead_ = nullptr;
  bool endedInError_ = false;
};

}  // namespace tabulink
