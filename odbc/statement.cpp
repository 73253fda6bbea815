#include "odbc/statement.h"

#include <mutex>
#include <utility>
#include <vector>

#include "odbc/wrappers.h"

namespace tabulink {
namespace {

// The statements inside an Execution. The lock is held while cancelling, so a statement never
// leaves its execution (and goes on to a fetch, or is freed) while a cancel reaches it.
std::mutex runningMutex;
std::vector<SQLHSTMT> running;

}  // namespace

void cancelStatements() noexcept {
  std::lock_guard lock(runningMutex);
  for (SQLHSTMT stmt : running)
    SQLCANCEL(stmt);
}

Execution::Execution(SQLHSTMT stmt) : stmt_(stmt) {
  if (stmt_ == SQL_NULL_HSTMT) return;
  std::lock_guard lock(runningMutex);
  running.push_back(stmt_);
}

Execution::~Execution() {
  if (stmt_ == SQL_NULL_HSTMT) return;
  std::lock_guard lock(runningMutex);
  std::erase(running, stmt_);
}

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
