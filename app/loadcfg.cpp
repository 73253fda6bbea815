#include "app/run_settings.h"

#include <cctype>
#include <climits>

#include "app/config/ini_document.h"
#include "app/config/tini.h"
#include "app/job_options.h"
#include "app/job_warnings.h"
#include "core/text.h"

namespace tabulink {
namespace {

// Every key is read without a default, so reading never writes into the file: a missing key is
// the empty text.
std::string readText(const IniDocument& ini, const char* section, const char* key) {
  return ini.value(section, key).value_or(std::string());
}

bool readLogical(const IniDocument& ini, const char* section, const char* key) {
  return upper(readText(ini, section, key)) == ".T.";
}

// [Options] SupportEmail replaces the support address when it is not empty.
void readSupportEmail(const IniDocument& ini) {
  std::string address = readText(ini, "Options", "SupportEmail");
  if (!address.empty()) runSettings().SupportEmail = address;
}

}  // namespace

RunSettings& runSettings() {
  static RunSettings settings;
  return settings;
}

void loadSupportEmail(const std::string& iniPath) {
  const IniDocument ini = IniDocument::load(TIni::New(iniPath).cIniFile);
  readSupportEmail(ini);
}

bool LOADCFG(const std::optional<std::string>& iniPath, const JobOptions& options) {
  RunSettings& s = runSettings();
  const std::string file = iniPath ? TIni::New(*iniPath).cIniFile : std::string();
  const IniDocument ini = iniPath ? IniDocument::load(file) : IniDocument();

  s.DSN = readText(ini, "ODBC", "DSN");
  s.User = readText(ini, "ODBC", "User");
  s.Password = readText(ini, "ODBC", "Password");
  s.SQL = readText(ini, "ODBC", "SQL");
  s.Asyncronous = readLogical(ini, "ODBC", "Asyncronous");
  std::string loginTimeout = readText(ini, "ODBC", "LoginTimeout");
  s.Type = readText(ini, "Output", "Type");
  s.DecChar = readText(ini, "Output", "DecChar");
  std::string decNo = readText(ini, "Output", "DecNo");
  s.FileOut = readText(ini, "Output", "FileOut");
  s.FileErr = readText(ini, "Output", "FileErr");
  if (std::string encoding = readText(ini, "Output", "Encoding"); !encoding.empty())
    s.Encoding = encoding;
  if (readLogical(ini, "Options", "Verbose")) s.Verbose = true;

  // A statement may continue in SQL1, SQL2, ... up to the first missing or blank key.
  if (!s.SQL.empty()) {
    for (int n = 1;; ++n) {
      std::string more = readText(ini, "ODBC", ("SQL" + std::to_string(n)).c_str());
      if (trim(more).empty()) break;
      s.SQL += ' ';
      s.SQL += more;
    }
  }

  const bool read = applyJobOptions(s, decNo, options);

  warnAboutUnknownType(s.Type);
  if (s.Type.empty()) s.Type = "Screen";
  s.Type = upper(s.Type);
  if (s.DecChar.empty()) s.DecChar = ".";
  double decimals = decNo.empty() ? 2.0 : VAL(decNo);
  if (s.FileOut.empty())
    s.FileOut = s.Type.starts_with("DBF")   ? "tabulink.dbf"
                : s.Type.starts_with("CSV") ? "tabulink.csv"
                                            : "tabulink.txt";

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
  warnAboutUnknownKeys(ini, file);
  return read;
}

}  // namespace tabulink
