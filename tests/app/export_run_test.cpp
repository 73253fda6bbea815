// The unattended run end to end: the real binary against SQLite and PostgreSQL, each output type
// checked byte for byte (the DBF also through an independent reader), failures, the exit status
// and the temporary folder left empty.

#include <gtest/gtest.h>

#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "support/odbc_sources.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace tabulink {
namespace {

using test::DataSource;
using test::readFile;
using test::writeFile;

std::string dbfDump(const std::string& path) {
  std::string command =
      "/usr/bin/python3 " TABULINK_SOURCE_DIR "/tests/support/dbf_dump.py '" + path + "' 2>&1";
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  char buffer[4096];
  while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
    out.append(buffer, n);
  return out;
}

class ExportRun : public ::testing::TestWithParam<DataSource> {
 protected:
  ExportRun() {
    std::filesystem::create_directory(temp());
    table = test::testTable("orders");
    const DataSource& s = GetParam();
    test::recreateTable(s, table,
                        "id integer, code char(4), city varchar(6), amount numeric(10,2), "
                        "ratio double precision, day date, stamp timestamp, flag boolean, "
                        "note varchar(200)");
    std::unique_ptr<TOdbc> db = test::connectTo(s);
    std::string yes = s.postgres ? "true" : "1";
    test::run(*db, "INSERT INTO " + table +
                       " VALUES (1, 'A1', 'Rome', 1234.5, 0.25, '2005-03-14', "
                       "'2005-03-14 17:05:09', " +
                       yes + ", 'first note')");
    test::run(*db, "INSERT INTO " + table +
                       " VALUES (2, 'B2', NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
  }
  ~ExportRun() override {
    // No run leaves a cache table behind.
    EXPECT_TRUE(std::filesystem::is_empty(temp())) << "cache files left in " << temp();
  }

  std::string temp() const { return dir.file("tmp"); }

  // Runs a job with `sql` and the [Output] lines `output`.
  test::ProgramRun run(const std::string& sql, const std::string& output) {
    const DataSource& s = GetParam();
    writeFile(dir.file("job.ini"), std::string("[ODBC]\nDSN=") + s.dsn + "\nUser=" + s.user +
                                       "\nPassword=" + s.password + "\nSQL=" + sql +
                                       "\n[Output]\n" + output);
    return test::runTabulink(dir.path().string(), {"job.ini"}, {"TEMP=" + temp()});
  }
  std::string out(const std::string& name) const { return readFile(dir.file(name)); }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir.file(name)); }

  std::string everyKind() const {
    return "SELECT id, code, city, amount, ratio, day, stamp, flag, note FROM " + table +
           " ORDER BY id";
  }

  test::TempDir dir;
  std::string table;
};

TEST_P(ExportRun, WorkedExampleOfTheBoxedTableAndTheTabText) {
  std::string sql = "SELECT code AS \"CODE\", city AS \"CITY\" FROM " + table + " ORDER BY code";
  test::ProgramRun r = run(sql, "Type=AsciiTable\nFileOut=box.txt\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_EQ(r.standardError, "");
  EXPECT_EQ(out("box.txt"),
            "+----+------+\r\n"
            "|CODE|CITY  |\r\n"
            "+----+------+\r\n"
            "|A1  |Rome  |\r\n"
            "|B2  |      |\r\n"
            "+----+------+\r\n");
  EXPECT_FALSE(exists("err.txt"));

  r = run(sql, "Type=Text\nFileOut=tab.txt\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_EQ(out("tab.txt"), "CODE\tCITY\r\nA1  \tRome  \r\nB2  \t\r\n");
}

TEST_P(ExportRun, EveryColumnKindAsBoxedTable) {
  test::ProgramRun r = run(everyKind(), "Type=ASCIITABLE\nFileOut=box.txt\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  std::string stamp =
      GetParam().postgres ? "2005-03-14 17:05:09.000000" : "2005-03-14 17:05:09.000";
  // psqlODBC delivers booleans as text of 5 characters; a BIT of length 1 still shows ".T.".
  bool pg = GetParam().postgres;
  std::string flagHead = pg ? "flag " : "fla", flag = pg ? "1    " : ".T.";
  std::string border = "+" + std::string(19, '-') + "+----+------+" + std::string(19, '-') + "+" +
                       std::string(19, '-') + "+----------+" + std::string(stamp.size(), '-') +
                       "+" + std::string(flag.size(), '-') + "+" + std::string(200, '-') + "+\r\n";
  std::string expected = border;
  expected +=
      "|id                 |code|city  |amount             |ratio              |day       "
      "|" +
      std::string("stamp").append(stamp.size() - 5, ' ') + "|" + flagHead + "|note" +
      std::string(196, ' ') + "|\r\n";
  expected += border;
  expected +=
      "|                  1|A1  |Rome  |            1234.50|               0.25|2005-03-14"
      "|" +
      stamp + "|" + flag + "|first note" + std::string(190, ' ') + "|\r\n";
  expected +=
      "|                  2|B2  |      |                   |                   |          "
      "|" +
      std::string(stamp.size(), ' ') + "|" + std::string(flag.size(), ' ') + "|" +
      std::string(200, ' ') + "|\r\n";
  expected += border;
  EXPECT_EQ(out("box.txt"), expected);
}

TEST_P(ExportRun, EveryColumnKindAsTabTextWithDecimalComma) {
  test::ProgramRun r = run(everyKind(), "Type=Text\nDecChar=,\nFileOut=tab.txt\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  bool pg = GetParam().postgres;
  // Timestamps as text show the fraction digits their column declares, 3 at least.
  std::string stamp = pg ? "2005-03-14 17:05:09.000000" : "2005-03-14 17:05:09.000";
  std::string flag = pg ? "1    " : ".T.";
  EXPECT_EQ(out("tab.txt"),
            "id\tcode\tcity\tamount\tratio\tday\tstamp\tflag\tnote\r\n"
            "1\tA1  \tRome  \t1234,50\t0,25\t2005-03-14\t" +
                stamp + "\t" + flag + "\tfirst note" + std::string(190, ' ') +
                "\r\n"
                "2\tB2  \t\t\t\t\t\t\t\r\n");
}

TEST_P(ExportRun, EveryColumnKindAsDbfReadBackIndependently) {
  test::ProgramRun r = run(everyKind(), "Type=DBF\nDecChar=,\nFileOut=out\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  ASSERT_TRUE(exists("out.dbf"));
  // Numbers stay numbers whatever DecChar says; dates are dates; NULLs are blank.
  bool pg = GetParam().postgres;
  EXPECT_EQ(dbfDump(dir.file("out.dbf")),
            "count 2\n"
            "1|A1|Rome|1234.5|0.25|2005-03-14|2005-03-14|" +
                std::string(pg ? "1" : "T") +
                "|first note\n"
                "2|B2||None|None|None|None|" +
                (pg ? "" : "None") + "|\n");
}

TEST_P(ExportRun, EmptyResultForEveryOutput) {
  std::string sql = "SELECT code AS \"CODE\", city AS \"CITY\" FROM " + table + " WHERE id > 5";
  test::ProgramRun r = run(sql, "Type=AsciiTable\nFileOut=box.txt\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_EQ(out("box.txt"), "+----+------+\r\n|CODE|CITY  |\r\n+----+------+\r\n+----+------+\r\n");

  r = run(sql, "Type=Text\nFileOut=tab.txt\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_EQ(out("tab.txt"), "CODE\tCITY\r\n");

  r = run(sql, "Type=DBF\nFileOut=empty.dbf\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_EQ(dbfDump(dir.file("empty.dbf")), "count 0\n");

  // The screen shows the information box, not through the error collection, and no window.
  r = run(sql, "Type=Screen\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.standardError, "Information: No Records found\n");
  EXPECT_FALSE(exists("err.txt"));
}

TEST_P(ExportRun, FileOutDefaults) {
  test::ProgramRun r = run(everyKind(), "Type=dbf\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_EQ(dbfDump(dir.file("tabulink.dbf")).substr(0, 8), "count 2\n");
  r = run(everyKind(), "Type=ascii\nFileErr=err.txt\n");  // not ASCIITABLE: tab-delimited
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_EQ(out("tabulink.txt").substr(0, 8), "id\tcode\t");
}

TEST_P(ExportRun, OutputFolderThatDoesNotExist) {
  for (const char* type : {"AsciiTable", "Text"}) {
    std::filesystem::remove(dir.file("err.txt"));
    test::ProgramRun r = run(
        everyKind(), std::string("Type=") + type + "\nFileOut=missing/out.txt\nFileErr=err.txt\n");
    EXPECT_EQ(r.exitStatus, 2) << type;
    std::string errors = out("err.txt");
    EXPECT_NE(errors.find(" - Error creating the ascii output file: " + std::string(9, ' ') +
                          "2 (No such file or directory)\r\n"),
              std::string::npos)
        << errors;
  }
  // The table writer raises a run-time error: the handler ends the run with status 1, and the
  // result set's cache still goes.
  test::ProgramRun r = run(everyKind(), "Type=DBF\nFileOut=missing/out.dbf\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 1);
}

TEST_P(ExportRun, StatementsThatAreOnlyExecuted) {
  test::ProgramRun r =
      run("UPDATE " + table + " SET code = 'ZZ' WHERE id = 2", "Type=Text\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 0) << r.standardError;
  EXPECT_EQ(r.standardError, "");
  EXPECT_FALSE(exists("tabulink.txt"));
  EXPECT_FALSE(exists("err.txt"));
  std::unique_ptr<TOdbc> db = test::connectTo(GetParam());
  EXPECT_EQ(CVALTOCHAR(db->QueryData("SELECT code FROM " + table + " WHERE id = 2")), "ZZ  ");
}

TEST_P(ExportRun, FailingStatementWritesTheErrorFileAndNoOutput) {
  test::ProgramRun r = run("SELECT * FROM no_such_table_here", "Type=Text\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.standardError, "");
  EXPECT_FALSE(exists("tabulink.txt"));
  std::string errors = out("err.txt");
  EXPECT_NE(errors.find("no_such_table_here"), std::string::npos) << errors;
  EXPECT_TRUE(errors.ends_with("\r\n"));
}

TEST_P(ExportRun, NumberTooWideForTheCacheIsReportedAndWrittenAsZero) {
  std::string wide = test::testTable("wide");
  test::recreateTable(GetParam(), wide, "big numeric(20,0)");
  std::unique_ptr<TOdbc> db = test::connectTo(GetParam());
  test::run(*db, "INSERT INTO " + wide + " VALUES (2000000000000000000)");
  test::ProgramRun r =
      run("SELECT big FROM " + wide, "Type=Text\nFileOut=tab.txt\nFileErr=err.txt\n");
  EXPECT_EQ(r.exitStatus, 2);
  // SQLite gives the column the default decimals, PostgreSQL its scale of 0.
  std::string zero = GetParam().postgres ? "0" : "0.00";
  EXPECT_EQ(out("tab.txt"), "big\r\n" + zero + "\r\n");
  std::string decimals = GetParam().postgres ? "0" : "2";
  EXPECT_NE(out("err.txt").find(" - Field 'big' row 1 value: 2000000000000000000 Decimals: " +
                                decimals + " - Data Width Error.\r\n"),
            std::string::npos)
      << out("err.txt");
}

TEST_P(ExportRun, ScreenWithoutADisplay) {
  test::ProgramRun r = run(everyKind(), "Type=Screen\n");
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.standardError,
            "Alert: No display is available for the grid window: choose a file output Type for "
            "an unattended run\n");
}

INSTANTIATE_TEST_SUITE_P(Sources, ExportRun,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode),
                         test::sourceName);

// Failures of the text file itself are reported, not left as a short file and status 0.
TEST(ExportRunWrite, AFullDeviceIsReported) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.file("tmp"));
  writeFile(dir.file("job.ini"),
            "[ODBC]\nDSN=TestSQLite\nSQL=SELECT name, type FROM sqlite_master\n"
            "[Output]\nType=Text\nFileOut=/dev/full\nFileErr=err.txt\n");
  test::ProgramRun r =
      test::runTabulink(dir.path().string(), {"job.ini"}, {"TEMP=" + dir.file("tmp")});
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_NE(readFile(dir.file("err.txt"))
                .find(" - Error writing the ascii output file: " + std::string(8, ' ') +
                      "28 (No space left on device)\r\n"),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp")));
}

// On a terminal a long export shows one progress line on standard error, redrawn at most four
// times a second and cleared at the end.
TEST(ExportRunProgress, OneLineOnATerminalClearedAtTheEnd) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.file("tmp"));
  std::string table = test::testTable("many");
  test::recreateTable(test::kSQLite, table, "id integer, name varchar(30)");
  std::unique_ptr<TOdbc> db = test::connectTo(test::kSQLite);
  test::insertSeries(*db, table, 300000, "i, 'name ' || i");
  writeFile(dir.file("job.ini"), "[ODBC]\nDSN=TestSQLite\nSQL=SELECT * FROM " + table +
                                     "\n[Output]\nType=Text\nFileOut=out.txt\nFileErr=err.txt\n");

  int terminal = -1, program = -1;
  ASSERT_EQ(openpty(&terminal, &program, nullptr, nullptr, nullptr), 0);
  std::string binary = std::string(TABULINK_BINARY_DIR) + "/tabulink";
  std::string temp = "TEMP=" + dir.file("tmp");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir.path().c_str());
  posix_spawn_file_actions_adddup2(&actions, program, 2);
  posix_spawn_file_actions_addclose(&actions, terminal);
  std::vector<char*> argv{binary.data(), const_cast<char*>("job.ini"), nullptr};
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string_view entry(*e);
    if (!entry.starts_with("TEMP=") && !entry.starts_with("ASAN_OPTIONS=")) env.emplace_back(*e);
  }
  env.push_back(temp);
  env.push_back("ASAN_OPTIONS=detect_leaks=0");  // as in run_program.h
  std::vector<char*> envp;
  for (std::string& e : env)
    envp.push_back(e.data());
  envp.push_back(nullptr);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(program);
  std::string shown;
  char buffer[4096];
  for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;)
    shown.append(buffer, static_cast<size_t>(n));
  int status = 0;
  waitpid(pid, &status, 0);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  close(terminal);

  EXPECT_EQ(WEXITSTATUS(status), 0) << shown;
  std::string written = readFile(dir.file("out.txt"));
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 300001);
  size_t redraws = 0;
  for (size_t at = shown.find(" rows exported, "); at != std::string::npos;
       at = shown.find(" rows exported, ", at + 1))
    ++redraws;
  // The first line appears after a quarter of a second; a fast machine may finish sooner.
  if (seconds > 0.6) {
    EXPECT_GE(redraws, 1u) << shown;
  }
  if (redraws > 0) {
    EXPECT_TRUE(shown.ends_with("\r\033[K")) << shown;
  } else {
    EXPECT_EQ(shown, "");
  }
  EXPECT_LE(static_cast<double>(redraws), seconds * 4 + 1) << shown;
  EXPECT_EQ(shown.find('\n'), std::string::npos) << "one line only";
  EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp")));
}

}  // namespace
}  // namespace tabulink
