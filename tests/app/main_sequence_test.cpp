#include "app/main_sequence.h"
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <regex>

#include "app/error_collection.h"
#include "app/run_settings.h"
#include "gui/headless_ui.h"
#include "gui/scripted_ui.h"
#include "support/odbc_env.h"
#include "support/temp_dir.h"

namespace tabulink {

using test::readFile;
using test::writeFile;

TEST(IniPath, FromTheCommandLine) {
  EXPECT_EQ(iniPathFromArguments({}), "./Tabulink.ini");
  EXPECT_EQ(iniPathFromArguments({"  ", ""}), "./Tabulink.ini");
  EXPECT_EQ(iniPathFromArguments({"my", "jobs/run.ini"}), "my jobs/run.ini");
  EXPECT_EQ(iniPathFromArguments({"\"my jobs/run.ini\""}), "my jobs/run.ini");
  EXPECT_EQ(iniPathFromArguments({"\"my", "jobs/run.ini\""}), "my jobs/run.ini");
  EXPECT_EQ(iniPathFromArguments({"job.ini  "}), "job.ini");
  EXPECT_EQ(iniPathFromArguments({"\"\""}), "");
}

// A run of MAIN in a directory of its own, with its own data sources and a scripted UI.
class MainRun : public ::testing::Test {
 protected:
  MainRun()
      : cwd(dir.path()),
        odbcIni("ODBCINI", dir.file("odbc.ini")),
        scripted(new ScriptedUi),
        previousUi(installUi(std::unique_ptr<Ui>(scripted))) {
    runSettings() = RunSettings{};
    resetErrorCollection();
  }
  ~MainRun() override { installUi(std::move(previousUi)); }

  void dataSources(const std::string& iniText) { writeFile(dir.file("odbc.ini"), iniText); }
  void job(const std::string& iniText) { writeFile(dir.file("job.ini"), iniText); }
  void run() { MAIN(parseCommandLine({"job.ini"})); }

  test::TempDir dir;
  test::CurrentDir cwd;
  test::ScopedEnv odbcIni;
  ScriptedUi* scripted;
  std::unique_ptr<Ui> previousUi;
};

TEST_F(MainRun, NoDataSourceIsAlwaysAMessageBox) {
  dataSources("");
  job("[ODBC]\nDSN=x\nSQL=SELECT 1\n[Output]\nFileErr=err.txt\n");
  run();
  ASSERT_EQ(scripted->messages.size(), 1u);
  EXPECT_EQ(scripted->messages[0].title, "Alert");
  // Where the driver manager looked, and why a cron job may not have found it.
  EXPECT_EQ(scripted->messages[0].text,
            "You must create a ODBC DSN configuration from your control panel (unixODBC looked in "
            "the user file " +
                dir.file("odbc.ini") + " (ODBCINI) and the system file " +
                TABULINK_TEST_ODBC_DIR "/system/odbc.ini (ODBCSYSINI))");
  EXPECT_FALSE(std::filesystem::exists(dir.file("err.txt")));
  EXPECT_TRUE(errorsReported());
  EXPECT_EQ(runSettings().DSN, "");  // the configuration was never loaded
}

TEST_F(MainRun, ConfiguredDsnMatchesByPrefixInAnyCase) {
  dataSources(test::sqliteDsn("SalesArchive", dir.file("s.db")));
  job("[ODBC]\nDSN=sales\nSQL=CREATE TABLE t (a integer)\n[Output]\nFileErr=err.txt\n");
  run();
  EXPECT_TRUE(scripted->messages.empty());
  // The prefix matched, and the connection was tried with the configured text, not the entry:
  // the driver manager knows no source "sales".
  std::string errors = readFile(dir.file("err.txt"));
  EXPECT_EQ(errors.find("Invalid DSN Entry"), std::string::npos);
  EXPECT_NE(errors.find(" - ODBC session not successfully initialized: [IM002] "),
            std::string::npos)
      << errors;
  EXPECT_EQ(runSettings().DSN, "sales");
}

TEST_F(MainRun, UnknownDsnGoesToTheErrorFile) {
  dataSources(test::sqliteDsn("Sales", dir.file("s.db")));
  job("[ODBC]\nDSN=SalesArchive\nSQL=SELECT 1\n[Output]\nFileErr=err.txt\n");
  run();
  EXPECT_TRUE(errorsReported());
  EXPECT_TRUE(scripted->messages.empty());
  std::string text = readFile(dir.file("err.txt"));
  EXPECT_TRUE(std::regex_match(
      text,
      std::regex(R"(\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d - Invalid DSN Entry: SalesArchive\r\n)")))
      << text;
}

TEST_F(MainRun, WithoutErrorFileTheErrorIsAMessageBox) {
  dataSources(test::sqliteDsn("Sales", dir.file("s.db")));
  job("[ODBC]\nDSN=Stock\n");
  run();
  ASSERT_EQ(scripted->messages.size(), 1u);
  EXPECT_EQ(scripted->messages[0].title, "Alert");
  EXPECT_EQ(scripted->messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(scripted->messages[0].text, "Invalid DSN Entry: Stock");
}

TEST_F(MainRun, ErrorFileIsLeftAloneWhenNothingWasReported) {
  dataSources(test::sqliteDsn("Sales", dir.file("s.db")));
  job("[ODBC]\nDSN=Sales\nSQL=SELECT 1\n[Output]\nFileErr=err.txt\n");
  writeFile(dir.file("err.txt"), "old content");
  run();
  EXPECT_EQ(readFile(dir.file("err.txt")), "old content");
}

TEST_F(MainRun, LoginDialogStartsFromTheFirstSourceAndTheConfiguredUser) {
  dataSources(test::sqliteDsn("Sales", dir.file("s.db")) +
              test::sqliteDsn("Stock", dir.file("t.db")));
  job("[ODBC]\nUser=ann\nPassword=secret\n");
  std::vector<std::string> seen;
  scripted->loginScripts.push_back([&](LoginDialog& d) {
    seen = d.dataSources;
    EXPECT_EQ(d.dsn, seen.front());
    EXPECT_EQ(d.user, "ann");
    EXPECT_EQ(d.password, "secret");
  });
  run();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], "Sales" + std::string(249, ' '));
  EXPECT_FALSE(errorsReported());
}

TEST_F(MainRun, LoginDialogWithoutDisplayIsReported) {
  installUi(std::make_unique<HeadlessUi>());  // replaces the scripted UI for this test
  scripted = nullptr;
  dataSources(test::sqliteDsn("Sales", dir.file("s.db")));
  job("[Output]\nFileErr=err.txt\n");
  run();
  EXPECT_TRUE(errorsReported());
  EXPECT_TRUE(std::regex_search(
      readFile(dir.file("err.txt")),
      std::regex(" - No display is available for the log-in dialog: set DSN and SQL in the "
                 "configuration file for an unattended run\r\n$")));
}

TEST_F(MainRun, SupportAddressComesFromTheDefaultIniThenTheJob) {
  dataSources("");
  writeFile(dir.file("Tabulink.ini"), "[Options]\nSupportEmail=first@example.org\n");
  run();
  EXPECT_EQ(runSettings().SupportEmail, "first@example.org");
}

}  // namespace tabulink
