#include "odbc/statement.h"

#include <utility>

#include "odbc/wrappers.h"

namespace tabulink {

OdbcStatement::OdbcStatement(SQLHDBC dbc) : status_(SQLALLOCSTMT(dbc, handle_)) {
  if (!SQL_SUCCEEDED(status_)) handle_ = SQL_NULL_HSTMT;
}

OdbcStatement::OdbcStatement(OdbcStatement&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), status_(other.status_) {}

OdbcStatement& OdbcStatement::operator=(OdbcStatement&& other) noexcept {
  if (this != &other) {
    if (handle_ != SQL_NULL_HSTMT) drop();
    handle_ = std::exchange(other.handle_, nullptr);
    status_ = other.status_;
  }
  return *this;
}

int OdbcStatement::drop() noexcept {
  int rc = SQLFREESTMT(std::exchange(handle_, nullptr), SQL_DROP);
  return rc;
}

}  // namespace tabulink
