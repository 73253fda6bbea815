#include "failure/crash_report.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/date.h"
#include "core/process_settings.h"
#include "core/text.h"
#include "failure/error_log.h"
#include "failure/log_notice.h"
#include "failure/system_facts.h"
#include "failure/tmail.h"
#include "gui/ui.h"

namespace fs = std::filesystem;

namespace tabulink {
namespace {

constexpr const char* kIniName = "Tabulink.ini";
constexpr size_t kKeptReports = 10;

// Lines end in LF: xdg-email makes CR LF of them itself.
constexpr const char* kBodyText =
    "During last execution TABULINK was terminated abnormally.\n"
    "An error report has been automatically generated and now can be sent to the Support Team.\n"
    "NO PERSONAL DATA IS INCLUDED ON THE ERROR REPORT, but only information useful to solve the "
    "problem.\n"
    "\n"
    "Please, send this e-mail, so the Support Team can be aware of the error.\n"
    "\n"
    "If you do not want to send this e-mail, simply close this window.\n"
    "\n"
    "To disable the error notification feature, please see the manual.\n"
    "\n";

// The folder that holds the system's ODBC configuration takes the place of the system directory.
std::string systemFolder() {
  const char* odbcSysIni = std::getenv("ODBCSYSINI");
  return odbcSysIni != nullptr && *odbcSysIni != '\0' ? odbcSysIni : "/etc";
}

std::string body(const std::string& localPath) {
  std::string text = kBodyText;
  text += "Release      : " + std::string(kReleaseText) + "\n";
  text += "PC           : " + computerName().substr(0, 15) + "\n";
  text += "Ticket       : " + std::to_string(installationTicket()) + "\n";
  text += "Local Path   : " + localPath + "\n";
  text += "Windows Path : " + systemFolder() + "\n";
  text += "Windows vers.: " + systemVersionText();
  return text;
}

fs::path reportsFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && *state == '/') return fs::path(state) / "tabulink" / "reports";
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : "") / ".local" / "state" / "tabulink" / "reports";
}

// A new folder for one report's attachments, named by the time it was made; only the newest
// `kKeptReports` are kept.
fs::path newReportFolder() {
  fs::path reports = reportsFolder();
  fs::create_directories(reports);
  ::chmod(reports.c_str(), 0700);
  std::string stamp = Date::today().dtos() + "-" + TIME();
  std::erase(stamp, ':');
  fs::path folder = reports / stamp;
  for (int n = 1; ::mkdir(folder.c_str(), 0700) != 0; ++n) {
    if (errno != EEXIST)
      throw fs::filesystem_error("cannot create", folder,
                                 std::error_code(errno, std::generic_category()));
    // Zero-filled, so that names sort in the order the folders were made.
    std::string count = std::to_string(n);
    folder =
        reports / (stamp + "-" + std::string(3 - std::min<size_t>(3, count.size()), '0') + count);
  }
  std::vector<fs::path> folders;
  for (const fs::directory_entry& entry : fs::directory_iterator(reports))
    if (entry.is_directory()) folders.push_back(entry.path());
  std::sort(folders.begin(), folders.end());
  for (size_t i = 0; i + kKeptReports < folders.size(); ++i)
    fs::remove_all(folders[i]);
  return folder;
}

void writeWhole(const fs::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out.flush())
    throw fs::filesystem_error("cannot write", path, std::make_error_code(std::errc::io_error));
}

// Copies of the log and of the INI file with its passwords masked: the mail client reads the
// attachments after `xdg-email` has returned, when the log itself is already gone.
std::vector<MailFile> attachmentCopies(const fs::path& log) {
  fs::path folder = newReportFolder();
  std::vector<MailFile> files;
  if (fs::exists(kIniName)) {
    writeWhole(folder / kIniName, maskPasswords(readText(kIniName)));
    files.push_back({(folder / kIniName).string(), kIniName});
  }
  fs::copy_file(log, folder / kErrorLogName);
  files.push_back({(folder / kErrorLogName).string(), std::string(kErrorLogName)});
  return files;
}

// The log stays for a later start; whoever reads standard error (a cron job's mail) hears of it.
void keepLog(const fs::path& log, const std::string& supportEmail, std::string_view why) {
  std::fprintf(stderr, "The error log %s of an earlier run was not offered to %s: %.*s.\n",
               log.c_str(), supportEmail.c_str(), static_cast<int>(why.size()), why.data());
}

}  // namespace

std::string maskPasswords(std::string_view iniText) {
  std::string masked;
  while (!iniText.empty()) {
    size_t end = iniText.find('\n');
    std::string_view line = iniText.substr(0, end);
    size_t content = line.ends_with('\r') ? line.size() - 1 : line.size();
    size_t equals = line.find('=');
    if (equals < content && upper(trim(line.substr(0, equals))) == "PASSWORD") {
      masked.append(line.substr(0, equals + 1)).append("*****").append(line.substr(content));
    } else {
      masked.append(line);
    }
    if (end == std::string_view::npos) break;
    masked.push_back('\n');
    iniText.remove_prefix(end + 1);
  }
  return masked;
}

void CHECKERRLOG(const std::string& supportEmail) {
  if (upper(supportEmail).starts_with(".F.")) return;
  std::vector<fs::path> logs = findErrorLogs(".");
  if (logs.empty()) return;
  std::error_code error;
  fs::path here = fs::current_path(error);
  fs::path log = (here / logs.front()).lexically_normal();
  if (error) return keepLog(log, supportEmail, "the current directory is gone");

  // The mail client's noise and its failure would only reach a run that no person watches.
  if (!displayAvailable()) {
    if (firstNoticeOf(log)) keepLog(log, supportEmail, "no display");
    return;
  }

  TMail mail;
  mail.cSubject = "Tabulink Error Notification";
  mail.cNoteText = body(here.string() + "/");
  mail.aRecipients = {{"Tabulink Support Team", supportEmail}};
  try {
    mail.aFiles = attachmentCopies(log);
  } catch (const fs::filesystem_error& failure) {
    return keepLog(log, supportEmail, failure.what());
  }
  mail.Activate();
  // The mail client may have changed the current directory.
  fs::current_path(here, error);
  // No box: a run that no person watches would wait on it for good.
  if (mail.nRetCode != 0) return keepLog(log, supportEmail, "the mail command failed");
  fs::remove(log, error);
  forgetNoticeOf(log);
}

}  // namespace tabulink
