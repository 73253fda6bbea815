#include "app/run_report.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/error_collection.h"
#include "app/run_settings.h"

namespace tabulink {
namespace {

// The program's start, near enough: static objects are made before main runs.
const std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

}  // namespace

void reportGoodExport(long rows, const std::string& path) {
  if (!runSettings().Verbose || errorsReported()) return;
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
  // A device or a pipe (/dev/stdout) has no size to tell.
  std::error_code unknown;
  std::string size;
  if (std::filesystem::is_regular_file(path, unknown))
    size = std::to_string(std::filesystem::file_size(path, unknown)) + " bytes, ";
  std::fprintf(stderr, "tabulink: %ld rows, %s%.3f seconds: %s\n", rows, size.c_str(),
               seconds.count(), path.c_str());
}

}  // namespace tabulink
