// Names of temporary files, and the directory cache tables go to.

#include <cstdlib>
#include <filesystem>

#include "core/text.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

std::string CTEMPFILE(std::string_view directory, std::string_view extension) {
  std::string prefix(directory);
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  prefix += "__";
  for (int tries = 0; tries < kTempFileTries; ++tries) {
    std::string name = prefix + randomLetters(10) + "." + std::string(extension);
    std::error_code ignored;
    if (!std::filesystem::exists(name, ignored)) return name;
  }
  return {};
}

std::string cacheDirectory() {
  for (const char* variable : {"TEMP", "TMP", "TMPDIR"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "/tmp";
}

}  // namespace tabulink
