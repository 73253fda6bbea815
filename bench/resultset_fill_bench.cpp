// Filling a result set's cache table from the SQLite driver (1,000,000 rows) against the floor:
// the bare ODBC loop over the same statement that only fetches and reads every column.

#include <benchmark/benchmark.h>
#include <sql.h>
#include <sqlext.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "odbc/todbc.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {
namespace {

constexpr int kRows = 1000000;
const char* const kSelect = "SELECT id, name, amount, day FROM bench_rows";

// A SQLite data source "BenchSQLite" and a cache directory in a folder of its own, filled once
// per process.
struct BenchSource {
  BenchSource() {
    dir = std::filesystem::temp_directory_path() / "tabulink-bench-resultset";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "cache");
    std::ofstream(dir / "odbcinst.ini") << "[SQLite3]\nDriver=" TABULINK_SQLITE_ODBC_DRIVER "\n";
    std::ofstream(dir / "odbc.ini")
        << "[BenchSQLite]\nDriver=SQLite3\nDatabase=" << (dir / "bench.db").string()
        << "\nStepAPI=1\n";
    setenv("ODBCSYSINI", dir.c_str(), 1);
    setenv("ODBCINI", (dir / "odbc.ini").c_str(), 1);
    setenv("TEMP", (dir / "cache").c_str(), 1);
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

long residentBytes() {
  long size = 0;
  long resident = 0;
  std::ifstream("/proc/self/statm") >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// The floor: fetch every row and read each column into a buffer of the column's length + 1,
// discarding the data. Returns the rows read.
int bareLoop(TOdbc& db) {
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
  return rows;
}

// Seconds of the fastest of three bare loops, measured once for the ratio.
double bareSeconds() {
  static const double seconds = [] {
    TOdbc db("BenchSQLite", "", "", false);
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
      auto start = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(bareLoop(db));
      best = std::min(
          best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
  }();
  return seconds;
}

void BareOdbcLoop(benchmark::State& state) {
  source();
  TOdbc db("BenchSQLite", "", "", false);
  for (auto _ : state)
    benchmark::DoNotOptimize(bareLoop(db));
  state.SetItemsProcessed(state.iterations() * kRows);
}

void ResultSetFill(benchmark::State& state) {
  source();
  const double floor = bareSeconds();
  TOdbc db("BenchSQLite", "", "", false);
  double total = 0;
  long growth = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    const long before = residentBytes();
    auto rs = db.Query(kSelect);
    rs->Open();
    benchmark::DoNotOptimize(rs->RecCount());
    growth = std::max(growth, residentBytes() - before);
    rs->End();
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["bare_rows_per_s"] = kRows / floor;
  state.counters["ratio_to_bare"] = total / static_cast<double>(state.iterations()) / floor;
  state.counters["rss_growth_MB"] = static_cast<double>(growth) / (1 << 20);
}

BENCHMARK(BareOdbcLoop)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ResultSetFill)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tabulink

BENCHMARK_MAIN();
