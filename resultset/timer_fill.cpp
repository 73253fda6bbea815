// Filling a result set in the background: a window timer fetches one row per tick and reports
// progress, until the data source has no more rows.

#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"

namespace tabulink {
namespace {

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
  Fill(1);
  // The number of rows held: the row just appended, or, when none came, the last one again.
  if (DbfTable* table = cache(); callback && table != nullptr) callback(table->recCount(), *this);
  Goto(position);
  if (oTimer_) oTimer_->Activate();
}

long TDbOdbcDirect::Complete() {
  return RecCount();
}

}  // namespace tabulink
