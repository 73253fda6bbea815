#pragma once
// The run settings: one field per INI key, filled once by LOADCFG and read by the whole driver.

#include <optional>
#include <string>

namespace tabulink {

// The address crash reports go to unless the configuration names another.
inline constexpr const char* kBuiltInSupportEmail = "support@tabulink.example.org";

struct RunSettings {
  std::string DSN;
  std::string User;
  std::string Password;
  std::string SQL;
  bool Asyncronous = false;
  int LoginTimeout = 30;  // seconds; 0: as long as the driver waits
  std::string Type;
  std::string DecChar = ".";
  int DecNo = 2;
  std::string FileOut;
  std::string FileErr;
  std::string SupportEmail = kBuiltInSupportEmail;
  std::string Encoding = "UTF-8";  // the code page named beside a DBF output
  bool Verbose = false;
};

// The job's keys as the command line sets them, over the INI file's; an empty one leaves the
// INI file's. The password and the statement may come from files ("-" the standard input).
struct JobOptions {
  std::optional<std::string> DSN, User, SQL, Type, DecChar, DecNo, FileOut, FileErr;
  std::optional<std::string> passwordFile, sqlFile;
  bool verbose = false;

  // Whether any key is set: a job on the command line alone reads no INI file.
  bool any() const;
};

// The module-wide record.
RunSettings& runSettings();

// Fills the run settings from the INI file at `iniPath` (none: every key empty), then from
// `options`. A missing file reads as all keys empty. Keys and types it does not know are warned
// about on standard error. False when a file of `options` could not be read (reported).
bool LOADCFG(const std::optional<std::string>& iniPath, const JobOptions& options = {});

// Reads [Options] SupportEmail from the file at `iniPath` into the run settings when it is not
// empty.
void loadSupportEmail(const std::string& iniPath);

}  // namespace tabulink
