// Filling a result set's cache table from the SQLite driver (1,000,000 rows) against the floor:
// the bare ODBC loop over the same statement that only fetches and reads every column.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

#include "bench/bench_source.h"
#include "odbc/todbc.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {
namespace {

using bench::kSelect;

constexpr int kRows = 1000000;

void source() {
  static bench::BenchSource instance("tabulink-bench-resultset", kRows);
}

long residentBytes() {
  long size = 0;
  long resident = 0;
  std::ifstream("/proc/self/statm") >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// Seconds of the fastest of three bare loops, measured once for the ratio.
double bareSeconds() {
  static const double seconds = [] {
    TOdbc db("BenchSQLite", "", "", false);
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
      auto start = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(bench::bareLoop(db.hDbc()));
      best = std::min(
          best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
  }();
  return seconds;
}

void BareOdbcLoop(benchmark::State& state) {
  source();
  bench::bareLoopBenchmark(state, kRows);
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
