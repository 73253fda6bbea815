// The crash report at start-up: an error log left by an earlier run is offered through the mail
// client (a stand-in `xdg-email` first on the PATH records what it was given), or kept when no one
// can be offered it.

#include "failure/crash_report.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "gui/ui.h"
#include "support/odbc_env.h"
#include "support/scripted_ui_scope.h"
#include "support/temp_dir.h"

namespace tabulink {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

constexpr const char* kIni =
    "[ODBC]\r\nDSN=Sales\r\nUser=ann\r\n  password = se;cret \r\nSQL=SELECT 1\r\n[Other]\r\n"
    "Password=x";

std::vector<std::string> splitNul(const std::string& text) {
  std::vector<std::string> parts;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\0', start);
    parts.push_back(text.substr(start, end - start));
  }
  return parts;
}

class CrashReport : public ::testing::Test {
 protected:
  CrashReport()
      : cwd(dir.path()),
        path("PATH", dir.file("bin") + ":" + std::getenv("PATH")),
        state("XDG_STATE_HOME", dir.file("state")) {
    setDisplayAvailable(true);
    fs::create_directory(dir.file("bin"));
    stubMail(0);
    writeFile(dir.file("error.LOG"), "the report\r\n\x1A");
    writeFile(dir.file("Tabulink.ini"), kIni);
  }

  // The stand-in mail command: records its arguments, NUL-separated, and every attachment that
  // does not exist while it runs; ends with `status`.
  void stubMail(int status) {
    std::string script = dir.file("bin/xdg-email");
    writeFile(script, "#!/bin/sh\n: > '" + dir.file("args") + "'\nprev=\nfor a in \"$@\"; do\n" +
                          "  printf '%s\\0' \"$a\" >> '" + dir.file("args") + "'\n" +
                          "  [ \"$prev\" = --attach ] && [ ! -f \"$a\" ] && echo \"$a\" >> '" +
                          dir.file("missing") + "'\n  prev=$a\ndone\nexit " +
                          std::to_string(status) + "\n");
    ::chmod(script.c_str(), 0755);
  }

  bool mailed() const { return fs::exists(dir.file("args")); }
  bool logKept() const { return fs::exists(dir.file("error.LOG")); }

  test::TempDir dir;
  test::CurrentDir cwd;
  ~CrashReport() override { setDisplayAvailable(false); }

  test::ScopedEnv path, state;
  test::ScriptedUiScope ui;
};

TEST_F(CrashReport, OffersCopiesOfTheLogAndTheMaskedIniThenDeletesTheLog) {
  CHECKERRLOG("help@example.org");

  std::vector<std::string> args = splitNul(readFile(dir.file("args")));
  ASSERT_EQ(args.size(), 9u);
  EXPECT_EQ(args[0], "--subject");
  EXPECT_EQ(args[1], "Tabulink Error Notification");
  EXPECT_EQ(args[2], "--body");
  EXPECT_EQ(args[4], "--attach");
  EXPECT_EQ(args[6], "--attach");
  EXPECT_EQ(args[8], "Tabulink Support Team <help@example.org>");

  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  std::string identification =
      "Release      : 2.1\nPC           : " + std::string(host).substr(0, 15) + "\nTicket       : ";
  const std::string& body = args[3];
  std::string fixed =
      "During last execution TABULINK was terminated abnormally.\n"
      "An error report has been automatically generated and now can be sent to the Support "
      "Team.\n"
      "NO PERSONAL DATA IS INCLUDED ON THE ERROR REPORT, but only information useful to solve the "
      "problem.\n\n"
      "Please, send this e-mail, so the Support Team can be aware of the error.\n\n"
      "If you do not want to send this e-mail, simply close this window.\n\n"
      "To disable the error notification feature, please see the manual.\n\n";
  ASSERT_TRUE(body.starts_with(fixed + identification)) << body;
  EXPECT_NE(body.find("\nLocal Path   : " + dir.path().string() + "/\nWindows Path : "),
            std::string::npos);
  EXPECT_NE(body.find("\nWindows vers.: "), std::string::npos);
  EXPECT_EQ(body.find('\r'), std::string::npos);  // xdg-email makes CR LF of every LF itself
  EXPECT_FALSE(body.ends_with("\n"));

  // The attachments are copies in a private report folder; the mail client read them whole.
  EXPECT_FALSE(fs::exists(dir.file("missing")));
  fs::path ini = args[5], log = args[7];
  EXPECT_EQ(ini.filename(), "Tabulink.ini");
  EXPECT_EQ(log.filename(), "Error.log");
  EXPECT_EQ(ini.parent_path().parent_path(), fs::path(dir.file("state/tabulink/reports")));
  EXPECT_EQ(fs::status(ini.parent_path()).permissions(), fs::perms::owner_all);
  EXPECT_EQ(readFile(ini),
            "[ODBC]\r\nDSN=Sales\r\nUser=ann\r\n  password =*****\r\nSQL=SELECT 1\r\n[Other]\r\n"
            "Password=*****");
  EXPECT_EQ(readFile(log), "the report\r\n\x1A");
  EXPECT_FALSE(logKept());
  EXPECT_TRUE(ui->messages.empty());

  // Only the ten newest report folders are kept.
  for (int run = 0; run < 11; ++run) {
    writeFile(dir.file("Error.log"), "again");
    CHECKERRLOG("help@example.org");
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("state/tabulink/reports")),
                          fs::directory_iterator()),
            10);
}

TEST_F(CrashReport, KeepsTheLogWhenTheReportIsOffOrCannotBeOffered) {
  for (const char* off : {".F.", ".f.", ".F.xyz"}) {
    CHECKERRLOG(off);
    EXPECT_FALSE(mailed()) << off;
    EXPECT_TRUE(logKept()) << off;
  }

  // A failing mail command, and no display that answers: no box a run would wait on; the log
  // stays for the next start and standard error names it.
  for (bool display : {true, false}) {
    stubMail(3);
    setDisplayAvailable(display);
    testing::internal::CaptureStderr();
    CHECKERRLOG("help@example.org");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "The error log " + dir.file("error.LOG") +
                  " of an earlier run was not offered to help@example.org: " +
                  (display ? "the mail command failed" : "no display") + ".\n");
    EXPECT_EQ(mailed(), display);
    EXPECT_TRUE(logKept());
    EXPECT_TRUE(ui->messages.empty());
    fs::remove(dir.file("args"));
    if (display) continue;
    // Said once without a display: the next nights are quiet, until a run writes the log again.
    testing::internal::CaptureStderr();
    CHECKERRLOG("help@example.org");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    fs::last_write_time(dir.file("error.LOG"),
                        fs::file_time_type::clock::now() + std::chrono::minutes(1));
    testing::internal::CaptureStderr();
    CHECKERRLOG("help@example.org");
    EXPECT_NE(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(logKept());
  }

  // No log: nothing happens.
  fs::remove(dir.file("error.LOG"));
  CHECKERRLOG("help@example.org");
  EXPECT_FALSE(mailed());
}

}  // namespace
}  // namespace tabulink
