#include "app/main_sequence.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/command_line.h"
#include "app/config/tini.h"
#include "app/dbf_code_page.h"
#include "app/dialogs.h"
#include "app/error_collection.h"
#include "app/query_flow.h"
#include "app/run_settings.h"
#include "core/process_settings.h"
#include "core/text.h"
#include "failure/crash_report.h"
#include "failure/interruption.h"
#include "odbc/dsn_entries.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"
#include "table/memo_file.h"

namespace tabulink {
namespace {

constexpr const char* kDefaultIni = "./Tabulink.ini";

// Whether `errorFile`, a file of its own (or none yet), is `file` under another name or the same.
bool sameFile(const std::string& file, const std::string& errorFile) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_type type = fs::status(errorFile, error).type();
  if (type != fs::file_type::regular && type != fs::file_type::not_found) return false;
  if (fs::equivalent(file, errorFile, error)) return true;
  return fs::absolute(file, error).lexically_normal() ==
         fs::absolute(errorFile, error).lexically_normal();
}

// The file of an unattended export that is also its error file, "" when there is none: the
// output would replace the entries collected there, and the entries would be appended to it.
std::string outputIsErrorFile(const RunSettings& s) {
  if (s.FileErr.empty() || s.Type.starts_with("SCREEN")) return {};
  std::vector<std::string> files{s.FileOut};
  if (s.Type.starts_with("DBF")) {
    const std::string table = DbfTable::tablePath(s.FileOut);
    files = {table, MemoFile::pathFor(table), codePagePath(table)};
  }
  for (const std::string& file : files)
    if (sameFile(file, s.FileErr)) return file;
  return {};
}

bool dsnListed(const std::vector<std::string>& sources, const std::string& dsn) {
  std::string wanted = upper(dsn);
  return std::any_of(sources.begin(), sources.end(),
                     [&](const std::string& entry) { return upper(entry).starts_with(wanted); });
}

// What the report of a log-in dialog without a display advises: a configuration file that could
// not be read is named, as it is the likely reason why the run was not unattended.
std::string loginAdvice(const std::optional<std::string>& iniPath) {
  if (!iniPath) return std::string(kUnattendedAdvice);
  const std::string file = TIni::New(*iniPath).cIniFile;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(file.c_str(), "rb"), std::fclose);
  if (in) return std::string(kUnattendedAdvice);
  std::string reason = std::strerror(errno);
  std::error_code gone;
  std::string shown = std::filesystem::absolute(file, gone).string();
  if (gone) {
    shown = file;
    reason += "; the current directory no longer exists";
  }
  return "the configuration file " + shown + " could not be read (" + reason + "); " +
         std::string(kUnattendedAdvice);
}

}  // namespace

std::string iniPathFromArguments(const std::vector<std::string>& arguments) {
  std::string joined;
  for (const std::string& argument : arguments)
    joined.append(argument).append(" ");
  if (trim(joined).empty()) return kDefaultIni;
  std::erase(joined, '"');
  return std::string(trimRight(joined));
}

void MAIN(const CommandLine& line) {
  const std::optional<std::string> iniPath = iniPathOf(line);
  // The result set's fill reports numbers too wide for its cache through the error collection.
  installFillReporter([](std::string_view message) { ZULERROR(message); });
  // Dates are shown with four-digit years throughout the process (core/date.h); nothing to switch.
  loadSupportEmail(kDefaultIni);
  CHECKERRLOG(runSettings().SupportEmail);

  std::vector<std::string> sources = ODBCDSNENTRIES();
  if (sources.empty()) {
    // The configuration is not loaded yet, so this is always a message box.
    ZULERROR("You must create a ODBC DSN configuration from your control panel (" +
             dataSourceFiles() + ")");
  } else if (LOADCFG(iniPath, line.job)) {
    RunSettings& s = runSettings();
    setDefaultDecimals(s.DecNo);
    setLoginTimeout(s.LoginTimeout);
    if (const std::string clash = outputIsErrorFile(s); !clash.empty()) {
      ZULERROR("The output file " + clash +
               " is also the error file: give each a name of its own.");
    } else if (s.DSN.empty()) {
      s.DSN = sources.front();
      runLoginDialog(sources, loginAdvice(iniPath));
    } else if (dsnListed(sources, s.DSN)) {
      OPENODBC(s.DSN, s.User, s.Password);
    } else {
      ZULERROR("Invalid DSN Entry: " + s.DSN);
    }
  }
  endRun();
}

void endRun() {
  // An interruption the run did not see in time is being ended by the watcher already.
  if (!claimEnd()) waitForEnd();
  if (int signal = interruptSignal(); signal != 0) recordInterruption(signal);
  ZULWRITEERRORS();
}

void endInterruptedRun(int signal) {
  recordInterruption(signal);
  ZULWRITEERRORS();
}

}  // namespace tabulink
