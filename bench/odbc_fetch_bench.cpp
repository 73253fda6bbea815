// The cost of reading values through the session against the bare ODBC loop that fetches and
// reads the same columns of the same rows with the same driver (SQLite, 100,000 rows).

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_source.h"
#include "odbc/todbc.h"

namespace tabulink {
namespace {

using bench::kSelect;

constexpr int kRows = 100000;

void source() {
  static bench::BenchSource instance("tabulink-bench-odbc", kRows);
}

void BareOdbcLoop(benchmark::State& state) {
  source();
  bench::bareLoopBenchmark(state, kRows);
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
