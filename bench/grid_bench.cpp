// The grid window over a complete result of 1,000 and of 1,000,000 SQLite rows (offscreen): time
// until its first rows are painted, time to paint the last row and the first row again, and
// resident memory; then the asynchronous fill of the large result behind an open grid: first
// paint, the longest stall of the message loop, and the fill time against a synchronous fetch.
// Prints figures; not a test.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

#include "app/query_flow.h"
#include "app/screen_grid.h"
#include "bench/bench_source.h"
#include "gui/qt/grid_probe.h"
#include "gui/qt/qt_ui.h"
#include "odbc/todbc.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {
namespace {

constexpr int kRows = 1000000;

double residentMb() {
  long size = 0;
  long resident = 0;
  std::ifstream("/proc/self/statm") >> size >> resident;
  return static_cast<double>(resident * sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs `action` once, as soon as the message loop of the grid runs.
std::unique_ptr<UiTimer> once(std::function<void()> action) {
  std::shared_ptr<UiTimer*> self = std::make_shared<UiTimer*>(nullptr);
  std::unique_ptr<UiTimer> timer = ui().createTimer(0, [self, action] {
    (*self)->DeActivate();
    action();
  });
  *self = timer.get();
  timer->Activate();
  return timer;
}

std::shared_ptr<TDbOdbcDirect> query(TOdbc& db, int rows) {
  std::shared_ptr<TDbOdbcDirect> rs =
      db.Query(std::string(bench::kSelect) + " WHERE id <= " + std::to_string(rows));
  rs->lDateAsStr = true;
  rs->Open();
  return rs;
}

// A complete result in the grid: first paint, the last row, the first row again, memory.
void completeGrid(TOdbc& db, int rows) {
  std::shared_ptr<TDbOdbcDirect> rs = query(db, rows);
  const Clock::time_point fetch = Clock::now();
  rs->Complete();
  const double fetchS = msSince(fetch) / 1000.0;
  const double before = residentMb();
  Clock::time_point shown;
  std::unique_ptr<UiTimer> measure = once([&] {
    const double first = msSince(shown) + qt::paintGridMs();
    qt::scrollGrid(true);
    const double last = qt::paintGridMs();
    qt::scrollGrid(false);
    const double back = qt::paintGridMs();
    const double with = residentMb();
    // Copy (Ctrl+C) of the first 50,000 rows.
    if (rows >= 50000) {
      const Clock::time_point copying = Clock::now();
      const int columns = qt::copyGridRows(50000);
      std::printf("copy of 50,000 rows x %d columns: %.0f ms\n", columns, msSince(copying));
    }
    std::printf(
        "grid over %7d complete rows: fetch %.2f s; first rows painted %.1f ms after the call; "
        "last row %.1f ms; first row again %.1f ms; resident %.1f MB before the grid, %.1f MB "
        "with it\n",
        rows, fetchS, first, last, back, before, with);
    qt::closeGrid();
  });
  shown = Clock::now();
  SCREENGRID(rs);
}

// The same large result filled in the background while the grid is open.
void asynchronousGrid(TOdbc& db) {
  const Clock::time_point run = Clock::now();
  std::shared_ptr<TDbOdbcDirect> rs = query(db, kRows);
  double firstPaint = 0;
  double filled = 0;
  double longestGap = 0;
  Clock::time_point gap;
  std::unique_ptr<UiTimer> watch = ui().createTimer(1, [&] {
    longestGap = std::max(longestGap, msSince(gap));
    gap = Clock::now();
  });
  std::unique_ptr<UiTimer> start = once([&] {
    firstPaint = msSince(run) + qt::paintGridMs();
    gap = Clock::now();
    watch->Activate();
  });
  rs->AutoFill(1, 5, [&](long row, TDbOdbcDirect& self) {
    CHKCURSOR(row, self);
    if (row != 0) return;
    filled = msSince(run) / 1000.0;
    watch->DeActivate();
    qt::closeGrid();
  });
  SCREENGRID(rs);
  std::printf(
      "asynchronous fill of %d rows: first rows painted %.1f ms after the statement ran; fill "
      "complete after %.2f s; longest message-loop stall %.0f ms\n",
      kRows, firstPaint, filled, longestGap);
}

}  // namespace
}  // namespace tabulink

int main() {
  using namespace tabulink;
  bench::BenchSource source("tabulink-bench-grid", kRows);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::unique_ptr<Ui> previous = installUi(createQtUi());
  {
    TOdbc db("BenchSQLite", "", "", false);
    completeGrid(db, 1000);
    completeGrid(db, kRows);
    asynchronousGrid(db);
  }
  installUi(std::move(previous));
  return 0;
}
