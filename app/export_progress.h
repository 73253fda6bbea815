#pragma once
// The progress line of a long export on standard error: rows so far and rows per second, redrawn
// at most four times a second and cleared at the end; nothing when standard error is no terminal.

#include <chrono>

namespace tabulink {

class ExportProgress {
 public:
  ExportProgress();
  ~ExportProgress();
  ExportProgress(const ExportProgress&) = delete;
  ExportProgress& operator=(const ExportProgress&) = delete;

  // Called once per written row.
  void row() {
    ++rows_;
    // The clock is read only every 1024 rows: the export loop is the hot path.
    if (enabled_ && (rows_ & 1023) == 0) redraw();
  }

 private:
  using Clock = std::chrono::steady_clock;
  void redraw();

  bool enabled_ = false;
  bool drawn_ = false;
  long rows_ = 0;
  Clock::time_point start_;
  Clock::time_point lastDrawn_;
};

}  // namespace tabulink
