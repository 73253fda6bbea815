#pragma once
// The data the ODBC benchmarks share: a SQLite data source "BenchSQLite" of (id, name, amount,
// day) rows in a folder of its own (TEMP points at a cache folder inside it), and the bare ODBC
// loop that only fetches and reads every column — the floor the other loops are compared with.

#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "odbc/todbc.h"

namespace tabulink::bench {

inline const char* const kSelect = "SELECT id, name, amount, day FROM bench_rows";

class BenchSource {
 public:
  BenchSource(const std::string& folder, int rows)
      : dir_(std::filesystem::temp_directory_path() / folder) {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "cache");
    std::ofstream(dir_ / "odbcinst.ini") << "[SQLite3]\nDriver=" TABULINK_SQLITE_ODBC_DRIVER "\n";
    std::ofstream(dir_ / "odbc.ini")
        << "[BenchSQLite]\nDriver=SQLite3\nDatabase=" << (dir_ / "bench.db").string()
        << "\nStepAPI=1\n";
    setenv("ODBCSYSINI", dir_.c_str(), 1);
    setenv("ODBCINI", (dir_ / "odbc.ini").c_str(), 1);
    setenv("TEMP", (dir_ / "cache").c_str(), 1);
    TOdbc db("BenchSQLite", "", "", false);
    db.Execute(
        "CREATE TABLE bench_rows (id integer, name varchar(30), amount numeric(10,2), day date)");
    db.Execute(
        "INSERT INTO bench_rows WITH RECURSIVE s(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM s "
        "WHERE x < " +
        std::to_string(rows) +
        ") SELECT x, 'customer number ' || x, x * 1.25, '2005-03-01' FROM s");
  }
  ~BenchSource() { std::filesystem::remove_all(dir_); }
  BenchSource(const BenchSource&) = delete;
  BenchSource& operator=(const BenchSource&) = delete;

 private:
  std::filesystem::path dir_;
};

// Fetches every row of kSelect and reads each column into one small buffer, discarding the data.
// Returns the rows read.
inline int bareLoop(SQLHDBC dbc) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
  SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(kSelect)), SQL_NTS);
  char buffer[64];
  SQLLEN indicator = 0;
  int rows = 0;
  while (SQL_SUCCEEDED(SQLFetch(stmt))) {
    for (SQLUSMALLINT column = 1; column <= 4; ++column)
      SQLGetData(stmt, column, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
    ++rows;
  }
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  return rows;
}

// The bare loop as a benchmark over the data source's `rows` rows.
inline void bareLoopBenchmark(benchmark::State& state, int rows) {
  TOdbc db("BenchSQLite", "", "", false);
  for (auto _ : state)
    benchmark::DoNotOptimize(bareLoop(db.hDbc()));
  state.SetItemsProcessed(state.iterations() * rows);
}

}  // namespace tabulink::bench
