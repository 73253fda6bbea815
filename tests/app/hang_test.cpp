// What could hang or abort an unattended run, against the real binary: a database server and an
// X display that accept and never answer (a listener stands in for each), a desktop platform
// named without a display, a working folder deleted under the run. Each run ends on its own, in
// bounded time, without a signal.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/run_program.h"
#include "support/silent_listener.h"
#include "support/temp_dir.h"

namespace tabulink {
namespace {

using test::readFile;
using test::writeFile;
namespace fs = std::filesystem;

// A job exporting the SQLite test source's catalog to out.txt in the run's folder.
constexpr const char* kExportJob =
    "[ODBC]\nDSN=TestSQLite\nSQL=SELECT name FROM sqlite_master\n"
    "[Output]\nType=Text\nFileOut=out.txt\nFileErr=err.txt\n";

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A run of the program that SIGKILL ends after 20 seconds, so that a hang fails the test
// rather than holding it.
test::ProgramRun runBounded(const std::string& cwd, const std::vector<std::string>& args,
                            const std::vector<std::string>& env = {},
                            const std::string& shellSetUp = {}) {
  test::StartedRun started = test::startTabulink(cwd, args, env, shellSetUp);
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(started.pid), &info, WEXITED | WNOHANG | WNOWAIT);
    if (info.si_pid != 0 || secondsSince(start) >= 20) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(started.pid, SIGKILL);  // harmless once it has ended: it waits to be reaped
  return test::waitForTabulink(started);
}

TEST(Hangs, LogInToAServerThatNeverAnswersEndsAtTheTimeout) {
  test::SilentListener server;
  ASSERT_GT(server.number(), 0);
  test::TempDir dir;
  const std::string port = std::to_string(server.number());
  writeFile(dir.file("odbc.ini"),
            "[SilentAnsi]\nDriver=PostgreSQL ANSI\nServername=127.0.0.1\nPort=" + port +
                "\nDatabase=x\n[SilentUnicode]\nDriver=PostgreSQL Unicode\n"
                "Servername=127.0.0.1\nPort=" +
                port + "\nDatabase=x\n");
  for (const char* dsn : {"SilentAnsi", "SilentUnicode"}) {
    SCOPED_TRACE(dsn);
    writeFile(dir.file("job.ini"), std::string("[ODBC]\nDSN=") + dsn +
                                       "\nUser=u\nPassword=p\nLoginTimeout=1\nSQL=SELECT 1\n"
                                       "[Output]\nType=Text\nFileOut=out.txt\nFileErr=err.txt\n");
    const auto start = std::chrono::steady_clock::now();
    test::ProgramRun r =
        runBounded(dir.path().string(), {"job.ini"}, {"ODBCINI=" + dir.file("odbc.ini")});
    const double seconds = secondsSince(start);
    EXPECT_EQ(r.exitStatus, 2) << r.standardError;
    EXPECT_GE(seconds, 1);
    EXPECT_LT(seconds, 3);  // not the three seconds of a watcher, nor forever
    EXPECT_NE(readFile(dir.file("err.txt")).find("ODBC session not successfully initialized"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir.file("out.txt")));
  }
}

// A display that never answers counts as none after about two seconds, before the INI is read:
// the export runs headless, and the crash report of an earlier run is not offered (no mail
// command runs) but kept, with one line on standard error.
TEST(Hangs, DisplayThatNeverAnswersRunsHeadless) {
  test::SilentListener display(true);
  ASSERT_GT(display.number(), 0);
  test::TempDir dir;
  fs::create_directory(dir.file("bin"));
  writeFile(dir.file("bin/xdg-email"), "#!/bin/sh\n: > '" + dir.file("mailed") + "'\n");
  ::chmod(dir.file("bin/xdg-email").c_str(), 0755);
  writeFile(dir.file("job.ini"), kExportJob);
  const std::string name = "127.0.0.1:" + std::to_string(display.number());
  for (const char* platform : {"", "xcb"}) {
    SCOPED_TRACE(platform);
    writeFile(dir.file("Error.log"), "the report\r\n\x1A");
    const auto start = std::chrono::steady_clock::now();
    test::ProgramRun r = runBounded(dir.path().string(), {"job.ini"},
                                    {"DISPLAY=" + name, std::string("QT_QPA_PLATFORM=") + platform,
                                     "PATH=" + dir.file("bin") + ":" + std::getenv("PATH"),
                                     "XDG_STATE_HOME=" + dir.file("state")});
    EXPECT_LT(secondsSince(start), 5);
    EXPECT_EQ(r.exitStatus, 0) << r.standardError;
    EXPECT_EQ(r.standardError, "The error log " + dir.file("Error.log") +
                                   " of an earlier run was not offered to "
                                   "support@tabulink.example.org: no display.\n");
    EXPECT_FALSE(fs::exists(dir.file("mailed")));
    EXPECT_TRUE(fs::exists(dir.file("Error.log")));
    EXPECT_NE(readFile(dir.file("out.txt")), "");
    fs::remove(dir.file("out.txt"));
  }
}

// A desktop platform named without its display (cron passes on what /etc/environment sets) runs
// headless; a working folder deleted under the run is an error that says so, or no error at all
// when the run needs no file there.
TEST(Aborts, PlatformWithoutDisplayAndDeletedWorkingFolder) {
  test::TempDir dir;
  writeFile(dir.file("job.ini"), kExportJob);
  for (const char* platform : {"xcb", "wayland", "wayland;xcb"}) {
    test::ProgramRun r =
        runBounded(dir.path().string(), {"job.ini"}, {std::string("QT_QPA_PLATFORM=") + platform});
    EXPECT_EQ(r.exitStatus, 0) << platform << r.standardError;
    EXPECT_FALSE(r.signaled);
    EXPECT_NE(readFile(dir.file("out.txt")), "");
    fs::remove(dir.file("out.txt"));
  }

  writeFile(dir.file("absolute.ini"),
            "[ODBC]\nDSN=TestSQLite\nSQL=SELECT name FROM sqlite_master\n"
            "[Output]\nType=Text\nFileOut=" +
                dir.file("out.txt") + "\n");
  const std::string deleteFolder = "mkdir gone && cd gone && rmdir ../gone";
  test::ProgramRun r =
      runBounded(dir.path().string(), {dir.file("absolute.ini")}, {}, deleteFolder);
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_NE(readFile(dir.file("out.txt")), "");
  r = runBounded(dir.path().string(), {"job.ini"}, {}, deleteFolder);
  EXPECT_EQ(r.exitStatus, 2) << r.standardError;
  EXPECT_NE(r.standardError.find("the configuration file job.ini could not be read (No such file "
                                 "or directory; the current directory no longer exists)"),
            std::string::npos)
      << r.standardError;
}

}  // namespace
}  // namespace tabulink
