// A run-time error of the table writer in the middle of a DBF export: a numeric(30,17) column
// gets a cache field N 19.17, where -0.5 ("-0.50000000000000000", 20 characters) does not fit
// although it passes the fill's width check.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "app/error_collection.h"
#include "app/main_sequence.h"
#include "app/run_settings.h"
#include "failure/errorsys.h"
#include "support/command.h"
#include "support/odbc_env.h"
#include "support/odbc_sources.h"
#include "support/run_program.h"
#include "support/scripted_ui_scope.h"
#include "support/temp_dir.h"

namespace tabulink {
namespace {

using test::readFile;
using test::writeFile;

class RunErrorDuringExport : public ::testing::Test {
 protected:
  RunErrorDuringExport() {
    std::filesystem::create_directory(dir.file("tmp"));
    table = test::testTable("fractions");
    test::recreateTable(test::kPgAnsi, table, "id integer, part numeric(30,17)");
    std::unique_ptr<TOdbc> db = test::connectTo(test::kPgAnsi);
    // Row 1 fits; row 2 does not, so the output table is open when the error comes.
    test::run(*db, "INSERT INTO " + table + " VALUES (1, 0.25), (2, -0.5), (3, 0.75)");
    writeFile(dir.file("job.ini"),
              "[ODBC]\nDSN=TestPgAnsi\nUser=tabulink\nPassword=tabulink\n"
              "SQL=SELECT id, part FROM " +
                  table +
                  " ORDER BY id\n"
                  "[Output]\nType=DBF\nFileOut=out.dbf\nFileErr=err.txt\n");
  }

  void SetUp() override {
    // Numbers now fit their fields or get the fill's data-width message: a numeric(30,17) column
    // gets 6 decimals, and -0.5 fits. These cases wait for another run-time error that can come
    // in the middle of an export.
    GTEST_SKIP() << "no value makes the table writer's width error any more";
  }

  test::TempDir dir;
  std::string table;
};

TEST_F(RunErrorDuringExport, HeadlessRunQuitsWithTheLogAndACompletedOutput) {
  test::ProgramRun run =
      test::runTabulink(dir.path().string(), {"job.ini"}, {"TEMP=" + dir.file("tmp")});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.standardError,
            "Error DBFNTX/1021  Data width error\nSee Error.log: " + dir.file("Error.log") + "\n");

  std::string log = readFile(dir.file("Error.log"));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.substr(log.size() - 3), "\r\n\x1A");
  EXPECT_TRUE(log.starts_with("Application\r\n"));
  for (const char* section : {"Stack Calls", "System", "Linked RDDs", "DataBases in use",
                              "Classes in use:", "Memory Analysis"})
    EXPECT_NE(log.find(std::string("\r\n") + section + "\r\n"), std::string::npos) << section;
  EXPECT_NE(log.find("Error DBFNTX/1021  Data width error"), std::string::npos);
  // The cache (current while it fills) and the output table, both open.
  EXPECT_TRUE(std::regex_search(log, std::regex(R"(\r\n  1: => __\d{6} +RddName: DBFNTX\r\n)")))
      << log;
  EXPECT_TRUE(std::regex_search(log, std::regex(R"(\r\n  2:    OUTDBF +RddName: DBFNTX\r\n)")))
      << log;

  // The program ended in order: the output holds the row written before the error, its header
  // completed; no cache file is left; the error file is not written.
  EXPECT_EQ(test::dbfreadDump(dir.file("out.dbf")), "count 1\n1|0.25\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("err.txt")));
}

TEST_F(RunErrorDuringExport, DefaultLetsTheExportGoOn) {
  test::CurrentDir cwd(dir.path());
  test::ScopedEnv temp("TEMP", dir.file("tmp"));
  test::ScriptedUiScope ui;
  ui->errorChoices = {ErrorChoice::Default};
  runSettings() = RunSettings{};
  resetErrorCollection();
  ErrorBlock previous = installErrorBlock(ERRORDIALOG);
  MAIN({"job.ini"});
  installErrorBlock(std::move(previous));

  ASSERT_EQ(ui->errorDialogs.size(), 1u);
  EXPECT_EQ(ui->errorDialogs[0].message, "Error DBFNTX/1021  Data width error");
  EXPECT_TRUE(ui->errorDialogs[0].canDefault);
  EXPECT_TRUE(std::filesystem::exists("Error.log"));
  // The value that did not fit is stored as "*" in the cache, which reads back as 0.
  EXPECT_EQ(test::dbfreadDump("out.dbf"), "count 3\n1|0.25\n2|0.0\n3|0.75\n");
  EXPECT_FALSE(errorsReported());
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp")));
}

}  // namespace
}  // namespace tabulink
