// Names of temporary files made from the clock, and the directory cache tables go to.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "core/date.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {
namespace {

// The time of day as HHMMSS: the time text with its colons removed.
std::string timeOfDayDigits() {
  std::string digits = TIME();
  std::erase(digits, ':');
  return digits;
}

}  // namespace

std::string CTEMPFILE(std::string_view directory, std::string_view extension) {
  std::string prefix(directory);
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  prefix += "__";
  for (;;) {
    std::string name = prefix + timeOfDayDigits() + "." + std::string(extension);
    std::error_code ignored;
    if (!std::filesystem::exists(name, ignored)) return name;
    // The name comes from the clock, so only a later second can give another one.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

std::string cacheDirectory() {
  for (const char* variable : {"TEMP", "TMP", "TMPDIR"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "/tmp";
}

}  // namespace tabulink
