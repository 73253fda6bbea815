#include "app/run_settings.h"

#include <cctype>
#include <climits>

#include "app/config/tini.h"
#include "core/text.h"

namespace tabulink {
namespace {

// Every key is read without a default, so reading never writes into the file; the current value
// chooses the kind (text, or logical for Asyncronous).
std::string readText(TIni& ini, const char* section, const char* key) {
  return ini.Get(section, key, Value(), Value(std::string())).text();
}

// [Options] SupportEmail replaces the support address when it is not empty.
void readSupportEmail(TIni& ini) {
  std::string address = readText(ini, "Options", "SupportEmail");
  if (!address.empty()) runSettings().SupportEmail = address;
}

}  // namespace

RunSettings& runSettings() {
  static RunSettings settings;
  return settings;
}

void loadSupportEmail(const std::string& iniPath) {
  TIni ini = TIni::New(iniPath);
  readSupportEmail(ini);
}

void LOADCFG(const std::string& iniPath) {
  RunSettings& s = runSettings();
  TIni ini = TIni::New(iniPath);

  s.DSN = readText(ini, "ODBC", "DSN");
  s.User = readText(ini, "ODBC", "User");
  s.Password = readText(ini, "ODBC", "Password");
  s.SQL = readText(ini, "ODBC", "SQL");
  s.Asyncronous = ini.Get("ODBC", "Asyncronous", Value(), Value(s.Asyncronous)).logical();
  std::string loginTimeout = readText(ini, "ODBC", "LoginTimeout");
  s.Type = readText(ini, "Output", "Type");
  s.DecChar = readText(ini, "Output", "DecChar");
  std::string decNo = readText(ini, "Output", "DecNo");
  s.FileOut = readText(ini, "Output", "FileOut");
  s.FileErr = readText(ini, "Output", "FileErr");

  if (s.Type.empty()) s.Type = "Screen";
  s.Type = upper(s.Type);
  if (s.DecChar.empty()) s.DecChar = ".";
  double decimals = decNo.empty() ? 2.0 : VAL(decNo);
  if (s.FileOut.empty()) s.FileOut = s.Type.starts_with("DBF") ? "tabulink.dbf" : "tabulink.txt";

  // A statement may continue in SQL1, SQL2, ... up to the first missing or blank key.
  if (!s.SQL.empty()) {
    for (int n = 1;; ++n) {
      std::string more = readText(ini, "ODBC", ("SQL" + std::to_string(n)).c_str());
      if (trim(more).empty()) break;
      s.SQL += ' ';
      s.SQL += more;
    }
  }

  // The whole part, from 0 to 13; written so that no value (an infinite one included) reaches the
  // conversion out of range.
  s.DecNo = decimals >= 13 ? 13 : decimals >= 1 ? static_cast<int>(decimals) : 0;
  // Whole seconds; a value that is not a number from 0 up keeps the default, so that a slip in
  // the file never leaves an unattended log-in unbounded.
  s.LoginTimeout = 30;
  if (!loginTimeout.empty() && std::isdigit(static_cast<unsigned char>(loginTimeout.front()))) {
    double seconds = VAL(loginTimeout);
    s.LoginTimeout = seconds >= INT_MAX ? INT_MAX : static_cast<int>(seconds);
  }

  readSupportEmail(ini);
}

}  // namespace tabulink
