// The grid window over a complete result of 1,000 and of 1,000,000 SQLite rows (offscreen): time
// until its first rows are painted, time to paint the last row and the first row again, and
// resident memory; then the asynchronous fill of the large result behind an open grid: first
// paint, the longest stall of the message loop, and the fill time against a synchronous fetch.
// Prints figures; not a test.

#include <unistd.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

#include "app/screen_grid.h"
#include "bench/bench_source.h"
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

QTableView* openGridView() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible() && window->windowTitle().startsWith("Tabulink rel."))
      return window->findChild<QTableView*>();
  return nullptr;
}

double paintMs(QTableView* view) {
  QElapsedTimer clock;
  clock.start();
  // Painted into a pixmap: an offscreen window is never exposed, so a repaint would paint nothing.
  view->viewport()->grab();
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
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
  QElapsedTimer fetch;
  fetch.start();
  rs->Complete();
  const double fetchS = static_cast<double>(fetch.elapsed()) / 1000.0;
  const double before = residentMb();
  QElapsedTimer shown;
  QTimer::singleShot(0, [&] {
    QTableView* view = openGridView();
    const double first = static_cast<double>(shown.nsecsElapsed()) / 1e6 + paintMs(view);
    view->scrollToBottom();
    const double last = paintMs(view);
    view->scrollToTop();
    const double back = paintMs(view);
    const double with = residentMb();
    // Copy (Ctrl+C) of the first 50,000 rows.
    QElapsedTimer copying;
    if (rows >= 50000) {
      view->setSelectionMode(QAbstractItemView::ExtendedSelection);
      view->selectionModel()->select(
          QItemSelection(view->model()->index(0, 0), view->model()->index(49999, 0)),
          QItemSelectionModel::Select | QItemSelectionModel::Rows);
      QAction* copy = nullptr;
      for (QAction* action : view->window()->actions())
        if (action->shortcut() == QKeySequence::Copy) copy = action;
      copying.start();
      copy->trigger();
      std::printf("copy of 50,000 rows x %d columns: %lld ms\n", view->model()->columnCount(),
                  static_cast<long long>(copying.elapsed()));
    }
    std::printf(
        "grid over %7d complete rows: fetch %.2f s; first rows painted %.1f ms after the call; "
        "last row %.1f ms; first row again %.1f ms; resident %.1f MB before the grid, %.1f MB "
        "with it\n",
        rows, fetchS, first, last, back, before, with);
    view->window()->close();
  });
  shown.start();
  SCREENGRID(rs);
}

// The same large result filled in the background while the grid is open.
void asynchronousGrid(TOdbc& db) {
  QElapsedTimer run;
  run.start();
  std::shared_ptr<TDbOdbcDirect> rs = query(db, kRows);
  double firstPaint = 0;
  double filled = 0;
  qint64 longestGap = 0;
  QElapsedTimer gap;
  QTimer watch;
  watch.setInterval(1);
  QObject::connect(&watch, &QTimer::timeout,
                   [&] { longestGap = std::max(longestGap, gap.restart()); });
  QTimer::singleShot(0, [&] {
    firstPaint = static_cast<double>(run.nsecsElapsed()) / 1e6 + paintMs(openGridView());
    gap.start();
    watch.start();
  });
  rs->AutoFill(1, 5, [&](long row, TDbOdbcDirect&) {
    if (row != 0) return;
    filled = static_cast<double>(run.elapsed()) / 1000.0;
    watch.stop();
    ui().refreshGrid();
    if (QTableView* view = openGridView()) view->window()->close();
  });
  SCREENGRID(rs);
  std::printf(
      "asynchronous fill of %d rows: first rows painted %.1f ms after the statement ran; fill "
      "complete after %.2f s; longest message-loop stall %lld ms\n",
      kRows, firstPaint, filled, static_cast<long long>(longestGap));
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
