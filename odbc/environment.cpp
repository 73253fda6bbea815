#include "odbc/environment.h"

#include <utility>

#include "odbc/wrappers.h"

namespace tabulink {

OdbcEnvironment::OdbcEnvironment() {
  if (!SQL_SUCCEEDED(SQLALLOCENV(handle_))) reset();
}

OdbcEnvironment::OdbcEnvironment(OdbcEnvironment&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

OdbcEnvironment& OdbcEnvironment::operator=(OdbcEnvironment&& other) noexcept {
  if (this != &other) {
    reset();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

void OdbcEnvironment::reset() noexcept {
  if (handle_ != SQL_NULL_HENV) SQLFREEENV(handle_);
  handle_ = SQL_NULL_HENV;
}

}  // namespace tabulink
