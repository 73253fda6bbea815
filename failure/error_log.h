#pragma once
// The file "Error.log" that a run-time error leaves in the current directory for the crash
// report of the next start. Found case-insensitively, so a log written as "error.log" or
// "ERROR.LOG" by another tool is seen and replaced too.

#include <filesystem>
#include <string_view>
#include <vector>

namespace tabulink {

inline constexpr std::string_view kErrorLogName = "Error.log";

// Full path of the log this process writes: "Error.log" in the current directory.
std::filesystem::path errorLogPath();

// Every file in `dir` named "Error.log" in any letter case.
std::vector<std::filesystem::path> findErrorLogs(const std::filesystem::path& dir);

// Writes `report` followed by one byte 0x1A as "Error.log" in the current directory and removes
// other spellings of the name. The file appears whole or not at all: when it cannot be written,
// false is returned and any earlier log stays as it was.
bool writeErrorLog(std::string_view report);
// Whether this process has written its log; async-signal-safe.
bool errorLogWritten();

}  // namespace tabulink
