#pragma once
// The run settings: one field per INI key, filled once by LOADCFG and read by the whole driver.

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
};

// The module-wide record.
RunSettings& runSettings();

// Fills the run settings from the INI file at `iniPath`. A missing file reads as all keys empty.
void LOADCFG(const std::string& iniPath);

// Reads [Options] SupportEmail from the file at `iniPath` into the run settings when it is not
// empty.
void loadSupportEmail(const std::string& iniPath);

}  // namespace tabulink
