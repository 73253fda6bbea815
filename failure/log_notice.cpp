#include "failure/log_notice.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace tabulink {
namespace {

fs::path markerOf(const fs::path& log) {
  return log.parent_path() / ("." + log.filename().string() + ".announced");
}

}  // namespace

bool firstNoticeOf(const fs::path& log) {
  const fs::path marker = markerOf(log);
  std::error_code error;
  const fs::file_time_type written = fs::last_write_time(log, error);
  if (error) return true;
  const fs::file_time_type announced = fs::last_write_time(marker, error);
  // A log written again after the announcement (a later run's crash) is news again.
  if (!error && announced >= written) return false;
  std::ofstream(marker, std::ios::trunc).close();
  // The marker's own time decides, also where a clock of the log's file system differs.
  fs::last_write_time(marker, std::max(written, fs::file_time_type::clock::now()), error);
  return true;
}

void forgetNoticeOf(const fs::path& log) {
  std::error_code ignored;
  fs::remove(markerOf(log), ignored);
}

}  // namespace tabulink
