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
    writeFile(dir.file("job.ini"), job("Type=DBF\nFileOut=out.dbf\nFileErr=err.txt\n"));
  }

  std::string job(const std::string& output) const {
    return "[ODBC]\nDSN=TestPgAnsi\nUser=tabulink\nPassword=tabulink\nSQL=SELECT id, part FROM " +
           table + " ORDER BY id\n[Output]\n" + output;
  }

  // The one file an unfinished output `name` left ("<name>.XXXXXX.part"); "" when none or more.
  std::string partial(const std::string& name) const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      std::string file = entry.path().filename().string();
      if (file.starts_with(name + ".") && file.ends_with(".part")) found.push_back(entry.path());
    }
    return found.size() == 1 ? found[0] : std::string();
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

  // The program ended in order: the unfinished output keeps the row written before the error
  // under its temporary name, its header completed, and does not take the output's name; no
  // cache file is left; the error file is not written.
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.dbf")));
  EXPECT_EQ(test::dbfreadDump(partial("out.dbf")), "count 1\n1|0.25\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("err.txt")));

  // A text output the handler ends keeps every line written before, although they were still in
  // the write buffer.
  std::filesystem::remove(partial("out.dbf"));
  writeFile(dir.file("job.ini"), job("Type=Text\nFileOut=out.txt\nFileErr=err.txt\n"));
  run = test::runTabulink(dir.path().string(), {"job.ini"}, {"TEMP=" + dir.file("tmp")});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.txt")));
  EXPECT_EQ(readFile(partial("out.txt")), "id\tpart\r\n1\t0.25000000000000000\r\n");
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp")));

  // The next start, on a desktop, offers that log through the mail client (a stand-in that
  // keeps the attachment it is given), deletes it and goes on with its own run.
  log = readFile(dir.file("Error.log"));
  std::filesystem::create_directory(dir.file("bin"));
  writeFile(dir.file("bin/xdg-email"),
            "#!/bin/sh\nwhile [ $# -gt 0 ]; do\n"
            "  [ \"$1\" = --attach ] && cat \"$2\" >> '" +
                dir.file("attached") + "'\n  shift\ndone\n");
  std::filesystem::permissions(dir.file("bin/xdg-email"), std::filesystem::perms::owner_all);
  writeFile(dir.file("Tabulink.ini"),
            "[ODBC]\nDSN=TestSQLite\nSQL=SELECT 1 AS one\n[Output]\nType=Text\n");
  run = test::runTabulink(dir.path().string(), {},
                          {"TEMP=" + dir.file("tmp"), "QT_QPA_PLATFORM=offscreen",
                           "PATH=" + dir.file("bin") + ":" + std::getenv("PATH"),
                           "XDG_STATE_HOME=" + dir.file("state")});
  EXPECT_EQ(run.exitStatus, 0) << run.standardError;
  EXPECT_TRUE(readFile(dir.file("attached")).ends_with(log)) << "the log was attached";
  EXPECT_FALSE(std::filesystem::exists(dir.file("Error.log")));
  EXPECT_TRUE(readFile(dir.file("tabulink.txt")).starts_with("one\r\n1"));
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
