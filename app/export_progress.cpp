#include "app/export_progress.h"

#include <unistd.h>

#include <cstdio>

namespace tabulink {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(250);

void writeToStandardError(const char* text, size_t size) {
  while (size > 0) {
    ssize_t written = ::write(STDERR_FILENO, text, size);
    if (written <= 0) return;  // a progress line is not worth a failure
    text += written;
    size -= static_cast<size_t>(written);
  }
}

}  // namespace

ExportProgress::ExportProgress()
    : enabled_(::isatty(STDERR_FILENO) == 1), start_(Clock::now()), lastDrawn_(start_) {}

ExportProgress::~ExportProgress() {
  if (!drawn_) return;
  static constexpr char kClear[] = "\r\033[K";
  writeToStandardError(kClear, sizeof kClear - 1);
}

void ExportProgress::redraw() {
  Clock::time_point now = Clock::now();
  if (now - lastDrawn_ < kRedrawInterval) return;
  lastDrawn_ = now;
  double seconds = std::chrono::duration<double>(now - start_).count();
  char line[128];
  int size = std::snprintf(line, sizeof line, "\r%ld rows exported, %.0f rows/s\033[K", rows_,
                           seconds > 0 ? static_cast<double>(rows_) / seconds : 0.0);
  if (size > 0) writeToStandardError(line, static_cast<size_t>(size));
  drawn_ = true;
}

}  // namespace tabulink
