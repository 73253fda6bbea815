// A run-time error of the table writer in the middle of an export: with the size of every file the
// program writes limited, the output table's memo file grows past the limit (texts too long for the
// write-behind buffer reach the disk). And the crash report that the next start offers.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "app/command_line.h"
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

const std::string kText(100000, 'm');

class RunErrorDuringExport : public ::testing::Test {
 protected:
  RunErrorDuringExport() {
    std::filesystem::create_directory(dir.file("tmp"));
    table = test::testTable("texts");
    test::recreateTable(test::kSQLite, table, "id integer, memo text");
    std::unique_ptr<TOdbc> db = test::connectTo(test::kSQLite);
    // Texts of 100,000 bytes: about five rows fit the limit.
    test::run(*db, "INSERT INTO " + table +
                       " WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s "
                       "WHERE i < 20) SELECT i, printf('%.*c', 100000, 'm') FROM s");
    writeFile(dir.file("job.ini"), job("Type=DBF\nFileOut=out.dbf\nFileErr=err.txt\n"));
  }

  std::string job(const std::string& output) const {
    return "[ODBC]\nDSN=TestSQLite\nSQL=SELECT * FROM " + table + " ORDER BY id\n[Output]\n" +
           output;
  }

  // Files limited to 1,000 KB; the signal that a write past the limit sends is ignored, so the
  // write fails with EFBIG instead.
  test::ProgramRun runLimited() const {
    return test::runTabulink(dir.path().string(), {"job.ini"}, {"TEMP=" + dir.file("tmp")},
                             "trap '' XFSZ; ulimit -f 1000");
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

TEST_F(RunErrorDuringExport, HeadlessRunQuitsWithTheLogAndKeepsWhatWasWritten) {
  test::ProgramRun run = runLimited();
  EXPECT_EQ(run.exitStatus, 1);
  // The memo file that grew past the limit is named as the user knows it, not by its temporary
  // name.
  EXPECT_TRUE(run.standardError.starts_with("(DOS Error 31) DBFNTX/1011  Write error: out.dbt "))
      << run.standardError;
  EXPECT_NE(run.standardError.find("\nSee Error.log: " + dir.file("Error.log") + "\n"),
            std::string::npos)
      << run.standardError;

  std::string log = readFile(dir.file("Error.log"));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.substr(log.size() - 3), "\r\n\x1A");
  EXPECT_TRUE(log.starts_with("Application\r\n"));
  for (const char* section : {"Stack Calls", "System", "Linked RDDs", "DataBases in use",
                              "Classes in use:", "Memory Analysis"})
    EXPECT_NE(log.find(std::string("\r\n") + section + "\r\n"), std::string::npos) << section;
  EXPECT_NE(log.find("DBFNTX/1011  Write error"), std::string::npos);
  // The output table is the only one open: a file export keeps no cache of the rows.
  EXPECT_TRUE(std::regex_search(log, std::regex(R"(\r\n  1: => OUTDBF +RddName: DBFNTX\r\n)")))
      << log;

  // The program ended in order: the unfinished output keeps the rows written before the error
  // under its temporary name, its header completed, and does not take the output's name; the
  // temporary folder stays untouched; the error file is not written.
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.dbf")));
  const std::string output = test::dbfreadDump(partial("out.dbf"));
  const long rows = std::stol(output.substr(6));
  EXPECT_GT(rows, 0);
  EXPECT_LT(rows, 20);
  EXPECT_TRUE(output.starts_with("count " + std::to_string(rows) + "\n1|" + kText + "\n"))
      << output.substr(0, 100);
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("err.txt")));

  // The next start on a platform that draws for no one (no display answers) does not try to mail
  // that log: it keeps it, says so in one line and goes on with its own run.
  log = readFile(dir.file("Error.log"));
  std::filesystem::create_directory(dir.file("bin"));
  writeFile(dir.file("bin/xdg-email"), "#!/bin/sh\n: > '" + dir.file("mailed") + "'\n");
  std::filesystem::permissions(dir.file("bin/xdg-email"), std::filesystem::perms::owner_all);
  writeFile(dir.file("Tabulink.ini"), "[ODBC]\nDSN=TestSQLite\nSQL=SELECT id FROM " + table +
                                          " WHERE id = 1\n[Output]\nType=Text\n");
  run = test::runTabulink(dir.path().string(), {},
                          {"TEMP=" + dir.file("tmp"), "QT_QPA_PLATFORM=offscreen",
                           "PATH=" + dir.file("bin") + ":" + std::getenv("PATH"),
                           "XDG_STATE_HOME=" + dir.file("state")});
  EXPECT_EQ(run.exitStatus, 0) << run.standardError;
  EXPECT_NE(run.standardError.find("The error log " + dir.file("Error.log") +
                                   " of an earlier run was not offered to "
                                   "support@tabulink.example.org: no display.\n"),
            std::string::npos)
      << run.standardError;
  EXPECT_FALSE(std::filesystem::exists(dir.file("mailed")));
  EXPECT_EQ(readFile(dir.file("Error.log")), log);
  EXPECT_TRUE(readFile(dir.file("tabulink.txt")).starts_with("id\r\n1"));
}

TEST_F(RunErrorDuringExport, DefaultAnswerLetsTheRunGoOnAndReport) {
  // The output's folder does not exist: its creation fails; Default gives it up and the run
  // reports what it could not deliver.
  writeFile(dir.file("job.ini"), job("Type=DBF\nFileOut=missing/out.dbf\nFileErr=err.txt\n"));
  test::CurrentDir cwd(dir.path());
  test::ScopedEnv temp("TEMP", dir.file("tmp"));
  test::ScriptedUiScope ui;
  ui->errorChoices = {ErrorChoice::Default};
  runSettings() = RunSettings{};
  resetErrorCollection();
  ErrorBlock previous = installErrorBlock(ERRORDIALOG);
  MAIN(parseCommandLine({"job.ini"}));
  installErrorBlock(std::move(previous));

  // The dialog and the log name the output as the job gives it, not the temporary name the
  // table was being created under.
  ASSERT_EQ(ui->errorDialogs.size(), 1u);
  EXPECT_NE(ui->errorDialogs[0].message.find("Create error: missing/out.dbf (No such file"),
            std::string::npos)
      << ui->errorDialogs[0].message;
  EXPECT_TRUE(ui->errorDialogs[0].canDefault);
  const std::string log = readFile("Error.log");
  EXPECT_NE(log.find("Create error: missing/out.dbf ("), std::string::npos) << log;
  EXPECT_EQ(log.find(".part"), std::string::npos) << log;
  EXPECT_TRUE(errorsReported());
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp")));
}

}  // namespace
}  // namespace tabulink
