// The floor of the export benchmark: the bare per-row ODBC loop (SQLFetch, then SQLGetData as
// text per column) that reads every value and writes nothing: the yardstick of the exports of the
// same rows through the same driver. Usage: export_floor [--second-thread | --block] <dsn> <user>
// <password> <sql>
//
// With --block the same rows come in arrays of 1,000 rows bound as text (SQLBindCol,
// SQL_ATTR_ROW_ARRAY_SIZE), what the driver delivers at best; values longer than their buffer are
// cut, which this figure does not mind.
//
// With --second-thread the same loop runs while the process has a second thread that only waits.
// The C library takes an uncontended lock without an atomic instruction as long as a process has
// one thread, and drivers lock for every call (SQLite's driver several times per column), so this
// is what any reading thread costs on top of the bare loop before it does any work.

#include <sql.h>
#include <sqlext.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  // Waits until it is asked to stop, which its destructor does on every way out of main.
  std::jthread waiting;
  const bool block = argc == 6 && std::string_view(argv[1]) == "--block";
  if (block) {
    --argc;
    ++argv;
  } else if (argc == 6 && std::string_view(argv[1]) == "--second-thread") {
    waiting = std::jthread([](std::stop_token stop) {
      std::mutex mutex;
      std::condition_variable_any stopped;
      std::unique_lock lock(mutex);
      stopped.wait(lock, stop, [] { return false; });
    });
    --argc;
    ++argv;
  }
  if (argc != 5) {
    std::fprintf(stderr,
                 "usage: export_floor [--second-thread | --block] <dsn> <user> <password> <sql>\n");
    return 64;
  }
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  std::string connect = std::string("DSN=") + argv[1] + ";UID=" + argv[2] + ";PWD=" + argv[3];
  SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(connect.data()), SQL_NTS,
                                  nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    std::fprintf(stderr, "export_floor: cannot connect to %s\n", argv[1]);
    return 1;
  }
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
  if (!SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(argv[4]), SQL_NTS))) {
    std::fprintf(stderr, "export_floor: the statement failed\n");
    return 1;
  }
  SQLSMALLINT columns = 0;
  SQLNumResultCols(stmt, &columns);

  // One buffer per column of about the column's size, as a careful program sizes them: drivers
  // (SQLite's among them) fill the whole buffer given to SQLGetData, so an oversized one costs.
  // The margin leaves room for the text of numbers and timestamps, which may exceed the size.
  std::vector<std::vector<char>> values(static_cast<size_t>(columns));
  for (SQLUSMALLINT c = 1; c <= columns; ++c) {
    SQLULEN size = 0;
    SQLDescribeCol(stmt, c, nullptr, 0, nullptr, nullptr, &size, nullptr, nullptr);
    values[c - 1].resize(size == 0 || size > 65535 ? 65536 : size + 1 + 32);
  }
  long rows = 0;
  if (block) {
    constexpr SQLULEN kRowset = 1000;
    SQLULEN fetched = 0;
    std::vector<std::vector<SQLLEN>> lengths(static_cast<size_t>(columns),
                                             std::vector<SQLLEN>(kRowset));
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kRowset), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    for (SQLUSMALLINT c = 1; c <= columns; ++c) {
      std::vector<char>& value = values[c - 1];
      const size_t width = value.size();
      value.resize(width * kRowset);
      SQLBindCol(stmt, c, SQL_C_CHAR, value.data(), static_cast<SQLLEN>(width),
                 lengths[c - 1].data());
    }
    while (SQL_SUCCEEDED(SQLFetch(stmt)))
      rows += static_cast<long>(fetched);
  }
  while (!block && SQL_SUCCEEDED(SQLFetch(stmt))) {
    for (SQLUSMALLINT c = 1; c <= columns; ++c) {
      std::vector<char>& value = values[c - 1];
      SQLLEN length = 0;
      SQLGetData(stmt, c, SQL_C_CHAR, value.data(), static_cast<SQLLEN>(value.size()), &length);
    }
    ++rows;
  }
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  std::fprintf(stderr, "%ld rows\n", rows);
  return 0;
}
