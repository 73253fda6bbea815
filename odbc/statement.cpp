#include "odbc/statement.h"

#include <mutex>
#include <utility>
#include <vector>

#include "odbc/wrappers.h"

namespace tabulink {
namespace {

// The statements the guards hold. A statement leaves it before it is freed, and the lock is held
// while cancelling, so a cancel never meets a freed handle.
std::mutex liveMutex;
std::vector<SQLHSTMT> live;

}  // namespace

void cancelStatements() noexcept {
  std::lock_guard lock(liveMutex);
  for (SQLHSTMT stmt : live)
    SQLCANCEL(stmt);
}

OdbcStatement::OdbcStatement(SQLHDBC dbc) : status_(SQLALLOCSTMT(dbc, handle_)) {
  if (!SQL_SUCCEEDED(status_)) {
    handle_ = SQL_NULL_HSTMT;
    return;
  }
  std::lock_guard lock(liveMutex);
  live.push_back(handle_);
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
  if (handle_ != SQL_NULL_HSTMT) {
    std::lock_guard lock(liveMutex);
    std::erase(live, handle_);
  }
  int rc = SQLFREESTMT(std::exchange(handle_, nullptr), SQL_DROP);
  return rc;
}

}  // namespace tabulink
