#include "odbc/connection.h"

#include <utility>

#include "odbc/wrappers.h"

namespace tabulink {

OdbcConnection::OdbcConnection(SQLHENV env) {
  SQLALLOCCONNECT(env, handle_);
}

OdbcConnection::OdbcConnection(OdbcConnection&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

OdbcConnection& OdbcConnection::operator=(OdbcConnection&& other) noexcept {
  if (this != &other) {
    reset();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

void OdbcConnection::reset() noexcept {
  if (handle_ == SQL_NULL_HDBC) return;
  // A connection with an open transaction refuses to disconnect (SQLSTATE 25000), and a
  // connection that is still connected cannot be freed: what is open is rolled back first, so
  // that neither the handle nor the locks it holds outlive the guard.
  if (SQLDISCONNECT(handle_) == SQL_ERROR && SQL_SUCCEEDED(SQLROLLBACK(SQL_NULL_HENV, handle_)))
    SQLDISCONNECT(handle_);
  SQLFREECONNECT(handle_);
  handle_ = SQL_NULL_HDBC;
}

}  // namespace tabulink
