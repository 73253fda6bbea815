#pragma once
// An ODBC statement handle, dropped when the guard goes away. Move-only; whoever holds the guard
// owns the statement. Every statement a guard holds can be cancelled from another thread.

#include <sql.h>

namespace tabulink {

// Cancels what every statement held by a guard is running (SQLCancel, which a driver takes from
// any thread): for a run that a signal ends while the server still works on its statement, which
// would otherwise run on after the client has gone.
void cancelStatements() noexcept;

class OdbcStatement {
 public:
  OdbcStatement() = default;  // holds no handle
  // Allocates a statement on `dbc`; `status()` is the allocation's return code.
  explicit OdbcStatement(SQLHDBC dbc);
  ~OdbcStatement() {
    if (handle_ != SQL_NULL_HSTMT) drop();
  }
  OdbcStatement(OdbcStatement&& other) noexcept;
  OdbcStatement& operator=(OdbcStatement&& other) noexcept;
  OdbcStatement(const OdbcStatement&) = delete;
  OdbcStatement& operator=(const OdbcStatement&) = delete;

  SQLHSTMT handle() const { return handle_; }  // SQL_NULL_HSTMT when none
  int status() const { return status_; }

  // Drops the statement now (SQL_DROP) and returns the driver manager's return code; a guard
  // without a handle passes the null handle, which the driver manager refuses.
  int drop() noexcept;

 private:
  SQLHSTMT handle_ = SQL_NULL_HSTMT;
  int status_ = SQL_INVALID_HANDLE;
};

}  // namespace tabulink
