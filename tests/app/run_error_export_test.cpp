// A run-time error of the table writer in the middle of a DBF export: with the size of every file
// the program writes limited, the cache table (each record carries the null flags besides the
// output's fields) grows past the limit first, while the output is still below it.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
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
    table = test::testTable("flags");
    std::string columns = "id integer";
    for (int i = 0; i < 200; ++i)
      columns += ", b" + std::to_string(i) + " bit";
    test::recreateTable(test::kSQLite, table, columns);
    std::unique_ptr<TOdbc> db = test::connectTo(test::kSQLite);
    // Records of 421 bytes in the cache, 220 in the output.
    test::run(*db, "INSERT INTO " + table +
                       " (id, b0) WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s "
                       "WHERE i < 3000) SELECT i, 1 FROM s");
    writeFile(dir.file("job.ini"), "[ODBC]\nDSN=TestSQLite\nSQL=SELECT * FROM " + table +
                                       " ORDER BY id\n[Output]\nType=DBF\nFileOut=out.dbf\n"
                                       "FileErr=err.txt\n");
  }

  test::TempDir dir;
  std::string table;
};

TEST_F(RunErrorDuringExport, HeadlessRunQuitsWithTheLogAndACompletedOutput) {
  // Files limited to 1,000 KB; the signal that a write past the limit sends is ignored, so the
  // write fails with EFBIG instead.
  const std::string command = "cd '" + dir.path().string() + "' && TEMP='" + dir.file("tmp") +
                              "' ASAN_OPTIONS=detect_leaks=0 /bin/sh -c 'trap \"\" XFSZ; ulimit -f "
                              "1000; exec " TABULINK_BINARY_DIR "/tabulink job.ini' 2>stderr.txt";
  const int status = std::system(command.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string standardError = readFile(dir.file("stderr.txt"));
  EXPECT_TRUE(standardError.starts_with(
      "(DOS Error 31) DBFNTX/1011  Write error: " + dir.file("tmp") + "/__"))
      << standardError;
  EXPECT_NE(standardError.find("\nSee Error.log: " + dir.file("Error.log") + "\n"),
            std::string::npos)
      << standardError;

  std::string log = readFile(dir.file("Error.log"));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.substr(log.size() - 3), "\r\n\x1A");
  EXPECT_TRUE(log.starts_with("Application\r\n"));
  for (const char* section : {"Stack Calls", "System", "Linked RDDs", "DataBases in use",
                              "Classes in use:", "Memory Analysis"})
    EXPECT_NE(log.find(std::string("\r\n") + section + "\r\n"), std::string::npos) << section;
  EXPECT_NE(log.find("DBFNTX/1011  Write error"), std::string::npos);
  // The cache (current while it fills) and the output table, both open.
  EXPECT_TRUE(std::regex_search(log, std::regex(R"(\r\n  1: => __\d{6} +RddName: DBFNTX\r\n)")))
      << log;
  EXPECT_TRUE(std::regex_search(log, std::regex(R"(\r\n  2:    OUTDBF +RddName: DBFNTX\r\n)")))
      << log;

  // The program ended in order: the output holds the row written before the error, its header
  // completed; no cache file is left; the error file is not written.
  const std::string output = test::dbfreadDump(dir.file("out.dbf"));
  const long rows = std::stol(output.substr(6));
  EXPECT_GT(rows, 0);
  EXPECT_LT(rows, 3000);
  EXPECT_TRUE(output.starts_with("count " + std::to_string(rows) + "\n1|T|None|")) << output;
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("err.txt")));
}

TEST_F(RunErrorDuringExport, DefaultLetsTheExportGoOn) {
  // Numbers now fit their fields or get the fill's data-width message, so no value makes the
  // table writer's width error, and a limit on file sizes would hold this test's own process.
  GTEST_SKIP() << "waits for a run-time error that can come in the middle of an export";
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
