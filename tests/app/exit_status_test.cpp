// The real binary, run unattended: its exit status and what it leaves on standard error.

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/odbc_env.h"
#include "support/run_program.h"

namespace tabulink {

using test::runTabulink;
using test::writeFile;

class Unattended : public ::testing::Test {
 protected:
  Unattended() { writeFile(dir.file("odbc.ini"), test::sqliteDsn("Sales", dir.file("s.db"))); }
  test::ProgramRun run(const std::string& ini, std::vector<std::string> env = {}) {
    writeFile(dir.file("job.ini"), ini);
    env.push_back("ODBCINI=" + dir.file("odbc.ini"));
    return runTabulink(dir.path().string(), {"job.ini"}, env);
  }
  test::TempDir dir;
};

TEST_F(Unattended, NothingReportedExitsWithZero) {
  test::ProgramRun r =
      run("[ODBC]\nDSN=sales\nSQL=SELECT 1 AS one FROM sqlite_master\n[Output]\nType=DBF\n"
          "FileErr=e.txt\n");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.standardError, "");
}

TEST_F(Unattended, AReportedErrorExitsWithTwo) {
  test::ProgramRun r = run("[ODBC]\nDSN=Nowhere\nSQL=SELECT 1\n[Output]\nFileErr=e.txt\n");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.standardError, "");
  EXPECT_NE(test::readFile(dir.file("e.txt")).find("Invalid DSN Entry: Nowhere\r\n"),
            std::string::npos);
}

TEST_F(Unattended, MessageBoxesGoToStandardErrorWithoutADisplay) {
  // No display, and displays named that nobody answers on (a session closed since): the same.
  for (const std::vector<std::string>& env :
       {std::vector<std::string>{},
        {"DISPLAY=:99999", "WAYLAND_DISPLAY=gone", "XDG_RUNTIME_DIR=" + dir.path().string()}}) {
    test::ProgramRun r = run("[ODBC]\nDSN=Nowhere\n", env);
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.standardError, "Alert: Invalid DSN Entry: Nowhere\n");

    r = run("", env);  // no DSN: the log-in dialog cannot open without a display
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.standardError,
              "Alert: No display is available for the log-in dialog: set DSN and SQL in the "
              "configuration file for an unattended run\n");

    r =
        run("[ODBC]\nDSN=sales\nSQL=SELECT 1 AS one FROM sqlite_master\n[Output]\nType=DBF\n"
            "FileErr=e.txt\n",
            env);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("tabulink.dbf")));
  }
}

TEST_F(Unattended, NoDataSourceAtAll) {
  writeFile(dir.file("odbc.ini"), "");
  test::ProgramRun r = run("[ODBC]\nDSN=Sales\nSQL=SELECT 1\n[Output]\nFileErr=e.txt\n");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_TRUE(r.standardError.starts_with(
      "Alert: You must create a ODBC DSN configuration from your control panel (unixODBC looked "
      "in the user file " +
      dir.file("odbc.ini") + " (ODBCINI)"))
      << r.standardError;
}

}  // namespace tabulink
