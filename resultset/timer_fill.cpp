// Filling a result set in the background: a window timer fetches rows on each tick and reports
// the progress once per tick, until the data source has no more rows.

#include <chrono>

#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"

namespace tabulink {
namespace {

// How long one tick goes on fetching. One row per tick fills no more than about 100 rows a second
// (the interval and the messages between ticks cost more than the fetch), which makes a large
// result take hours. The window stays responsive however long a tick is, since every fetch lets
// pending messages run first; the idle interval between ticks is what a background fill loses
// against a synchronous one, so a tick is long against it.
constexpr auto kTickBudget = std::chrono::milliseconds(40);

class TickScope {
 public:
  explicit TickScope(int& depth) : depth_(depth) { ++depth_; }
  ~TickScope() { --depth_; }
  TickScope(const TickScope&) = delete;
  TickScope& operator=(const TickScope&) = delete;

 private:
  int& depth_;
};

}  // namespace

void TDbOdbcDirect::endTimer() {
  if (!oTimer_) return;
  oTimer_->DeActivate();
  if (ticking_ > 0) retiredTimers_.push_back(std::move(oTimer_));
  oTimer_.reset();
}

void TDbOdbcDirect::AutoFill(WindowId window, int intervalMs, ProgressCallback callback) {
  if (window == 0) {
    endTimer();
    return;
  }
  if (callback) bTimerEval_ = std::move(callback);
  // A second fill replaces the first instead of leaving it running beside it.
  endTimer();
  oTimer_ = ui().createTimer(intervalMs, [this] { TimerEvent(); });
  oTimer_->Activate();
}

void TDbOdbcDirect::TimerEvent() {
  if (!oTimer_) return;
  TickScope tick(ticking_);
  // Timers ended in earlier ticks are not running now and may go.
  if (ticking_ == 1) retiredTimers_.clear();
  oTimer_->DeActivate();
  if (filling_) {
    // A tick from the message pump inside a fill: that fill goes on, this tick waits.
    oTimer_->Activate();
    return;
  }
  // A copy, since the callback may install another one.
  ProgressCallback callback = bTimerEval_;
  if (IsComplete()) {
    endTimer();
    if (callback) callback(0, *this);
    return;
  }
  const long position = Recno();
  const long before = RowsHeld();
  const auto start = std::chrono::steady_clock::now();
  bool appended = true;
  // Each fetch may run window messages, which may end the fill or the result set.
  while (appended && oTimer_ && cache() != nullptr &&
         std::chrono::steady_clock::now() - start < kTickBudget) {
    const long held = RowsHeld();
    Fill(1);
    appended = RowsHeld() > held;
  }
  // The last row appended, which is the number of rows held; when none came, the row the user is
  // on. Once per tick: what the callback shows costs more than a fetch.
  if (callback && cache() != nullptr) callback(RowsHeld() > before ? RowsHeld() : position, *this);
  Goto(position);
  if (oTimer_) oTimer_->Activate();
}

long TDbOdbcDirect::RowsHeld() const {
  const DbfTable* table = cache();
  return table != nullptr ? static_cast<long>(table->recCount()) : 0L;
}

void TDbOdbcDirect::StopFetching() {
  if (rows_.ended()) return;
  // A server still producing rows stops now rather than when the statement is freed.
  rows_.cancel();
  endTimer();
  rows_.end();
  fetchStopped_ = true;
}

long TDbOdbcDirect::Complete() {
  return RecCount();
}

}  // namespace tabulink
