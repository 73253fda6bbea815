// The cost of reading values through the session against the bare ODBC loop that fetches and
// reads the same columns of the same rows with the same driver (SQLite, 100,000 rows).

#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "odbc/todbc.h"

namespace tabulink {
namespace {

constexpr int kRows = 100000;
const char* const kSelect = "SELECT id, name, amount, day FROM bench_rows";

// A SQLite data source "BenchSQLite" in a folder of its own, filled once per process.
struct BenchSource {
  BenchSource() {
    dir = std::filesystem::temp_directory_path() / "tabulink-bench-odbc";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "odbcinst.ini") << "[SQLite3]\nDriver=" TABULINK_SQLITE_ODBC_DRIVER "\n";
    std::ofstream(dir / "odbc.ini")
        << "[BenchSQLite]\nDriver=SQLite3\nDatabase=" << (dir / "bench.db").string()
        << "\nStepAPI=1\n";
    setenv("ODBCSYSINI", dir.c_str(), 1);
    setenv("ODBCINI", (dir / "odbc.ini").c_str(), 1);
    TOdbc db("BenchSQLite", "", "", false);
    db.Execute(
        "CREATE TABLE bench_rows (id integer, name varchar(30), amount numeric(10,2), "
        "day date)");
    db.Execute(
        "INSERT INTO bench_rows WITH RECURSIVE s(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
        "FROM s WHERE x < " +
        std::to_string(kRows) +
        ") SELECT x, 'customer number ' || x, x * 1.25, '2005-03-01' FROM s");
  }
  ~BenchSource() { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
};

const BenchSource& source() {
  static BenchSource instance;
  return instance;
}

void BareOdbcLoop(benchmark::State& state) {
  source();
  TOdbc db("BenchSQLite", "", "", false);
  for (auto _ : state) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, db.hDbc(), &stmt);
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
    benchmark::DoNotOptimize(rows);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void SessionWithReusedBuffers(benchmark::State& state) {
  source();
  TOdbc db("BenchSQLite", "", "", false);
  for (auto _ : state) {
    OdbcStatement statement = db.AllocStatement();
    db.Execute(kSelect, {}, statement.handle());
    std::vector<ColumnDescription> columns = db.CursorFields(statement.handle());
    std::vector<std::vector<char>> buffers(columns.size());
    std::vector<Value> values(columns.size());
    while (db.Fetch(statement.handle())) {
      for (size_t column = 1; column <= columns.size(); ++column)
        db.GetValue(static_cast<int>(column), statement.handle(), columns, buffers[column - 1],
                    values[column - 1]);
    }
    benchmark::DoNotOptimize(values);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void SessionValuePerCall(benchmark::State& state) {
  source();
  TOdbc db("BenchSQLite", "", "", false);
  for (auto _ : state) {
    OdbcStatement statement = db.AllocStatement();
    db.Execute(kSelect, {}, statement.handle());
    std::vector<ColumnDescription> columns = db.CursorFields(statement.handle());
    while (db.Fetch(statement.handle())) {
      for (size_t column = 1; column <= columns.size(); ++column)
        benchmark::DoNotOptimize(
            db.GetValue(static_cast<int>(column), statement.handle(), columns));
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BareOdbcLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(SessionWithReusedBuffers)->Unit(benchmark::kMillisecond);
BENCHMARK(SessionValuePerCall)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tabulink

BENCHMARK_MAIN();
