#pragma once
// Runs a shell command for a test and gives back what it printed; and the independent DBF reader
// (dbfread) that every table written in the tests is checked with.

#include <array>
#include <cstdio>
#include <string>

namespace tabulink::test {

// Standard output and standard error of `command`, together.
inline std::string commandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
      out.append(buffer.data(), n);
    pclose(pipe);
  }
  return out;
}

// The table at `path` as dbfread reads it: "count N", then one line per record
// (tests/support/dbf_dump.py).
inline std::string dbfreadDump(const std::string& path, bool numbersAsText = false) {
  return commandOutput("/usr/bin/python3 " TABULINK_SOURCE_DIR "/tests/support/dbf_dump.py '" +
                       path + "'" + (numbersAsText ? " --numbers-as-text" : ""));
}

}  // namespace tabulink::test
