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
  SQLDISCONNECT(handle_);
  SQLFREECONNECT(handle_);
  handle_ = SQL_NULL_HDBC;
}

}  // namespace tabulink
