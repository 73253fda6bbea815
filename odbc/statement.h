#pragma once
// An ODBC statement handle, dropped when the guard goes away. Move-only; whoever holds the guard
// owns the statement.

#include <sql.h>

namespace tabulink {

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
