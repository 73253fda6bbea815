// The configuration file as the real binary reads it on SQLite: statements of any length and any
// number of continuation keys, a byte-order mark, settings of decimals that are not ordinary
// numbers, and a file that cannot be read in a run without a display.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "support/odbc_env.h"
#include "support/run_program.h"

namespace tabulink {
namespace {

using test::readFile;
using test::writeFile;

class ConfigRun : public ::testing::Test {
 protected:
  ConfigRun() {
    std::filesystem::create_directory(dir.file("tmp"));
    writeFile(dir.file("odbc.ini"), test::sqliteDsn("Sales", dir.file("s.db")));
    // Statements that are not a SELECT run without output: the table of the tests.
    for (const char* sql :
         {"CREATE TABLE t (id integer, amount real)",
          "INSERT INTO t WITH RECURSIVE s(id) AS (SELECT 1 UNION ALL SELECT id + 1 FROM s WHERE "
          "id < 5) SELECT id, id + 0.25 FROM s"}) {
      test::ProgramRun made =
          run(std::string("[ODBC]\nDSN=Sales\nSQL=") + sql + "\n[Output]\nFileErr=err.txt\n");
      EXPECT_EQ(made.exitStatus, 0) << readFile(dir.file("err.txt"));
    }
  }
  ~ConfigRun() override { EXPECT_TRUE(std::filesystem::is_empty(dir.file("tmp"))); }

  test::ProgramRun run(const std::string& ini, const std::string& name = "job.ini") {
    writeFile(dir.file(name), ini);
    return test::runTabulink(dir.path().string(), {name},
                             {"ODBCINI=" + dir.file("odbc.ini"), "TEMP=" + dir.file("tmp")});
  }
  // The rows of `sql` with `output` lines, as the tab-delimited text output writes them.
  std::string exported(const std::string& sql, const std::string& output = "") {
    test::ProgramRun r =
        run("[ODBC]\nDSN=Sales\n" + sql + "\n[Output]\nType=Text\nFileOut=out.txt\n" +
            "FileErr=err.txt\n" + output);
    EXPECT_EQ(r.exitStatus, 0) << readFile(dir.file("err.txt"));
    EXPECT_EQ(r.standardError, "");  // sanitizer reports included
    return readFile(dir.file("out.txt"));
  }

  test::TempDir dir;
};

TEST_F(ConfigRun, StatementsRunWholeHoweverLongAndHoweverManyKeys) {
  const std::string all = exported("SQL=SELECT id FROM t ORDER BY id");
  ASSERT_EQ(all, "id\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
  const std::string firstTwo = "id\r\n1\r\n2\r\n";

  // A condition far past the 1,022 characters of one key, in the key itself and in a
  // continuation key, takes effect.
  const std::string padding = "/* " + std::string(1500, '-') + " */";
  EXPECT_EQ(exported("SQL=SELECT id FROM t WHERE id > 0 " + padding + " AND id < 3 ORDER BY id"),
            firstTwo);
  EXPECT_EQ(exported("SQL=SELECT id FROM t\nSQL1=WHERE id > 0 " + padding +
                     " AND id < 3\nSQL2=ORDER BY id"),
            firstTwo);

  // 40,000 continuation keys are read in one pass over the file.
  std::string keys = "SQL=SELECT id FROM t WHERE id < 3";
  for (int n = 1; n <= 40000; ++n)
    keys += "\nSQL" + std::to_string(n) + "=/* " + std::to_string(n) + " */";
  keys += "\nSQL40001=ORDER BY id";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(exported(keys), firstTwo);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(ConfigRun, DecimalsThatAreNoOrdinaryNumberFollowTheRules) {
  const std::string sql = "SQL=SELECT amount FROM t WHERE id = 1";
  const std::string none = exported(sql, "DecNo=0\n");
  const std::string one = exported(sql, "DecNo=1\n");
  const std::string most = exported(sql, "DecNo=13\n");
  ASSERT_NE(none, one);
  ASSERT_NE(one, most);
  for (const char* text : {"nan", "-nan", "inf", "Infinity", "-inf", "-1e400"})
    EXPECT_EQ(exported(sql, std::string("DecNo=") + text + "\n"), none) << text;
  EXPECT_EQ(exported(sql, "DecNo=1e400\n"), one);  // the leading number: exponents are no part
  EXPECT_EQ(exported(sql, "DecNo=1" + std::string(400, '0') + "\n"), most);
}

TEST_F(ConfigRun, ByteOrderMarkIsSkippedAndAnUnreadableFileIsNamed) {
  test::ProgramRun marked =
      run("\xEF\xBB\xBF[ODBC]\nDSN=Sales\nSQL=SELECT id FROM t WHERE id = 5\n"
          "[Output]\nType=Text\nFileOut=marked.txt\n");
  EXPECT_EQ(marked.exitStatus, 0) << marked.standardError;
  EXPECT_EQ(readFile(dir.file("marked.txt")), "id\r\n5\r\n");

  // Without the file every key is empty, so the run asks for a log-in that nobody can give.
  const test::ProgramRun missing =
      test::runTabulink(dir.path().string(), {"no", "such.ini"},
                        {"ODBCINI=" + dir.file("odbc.ini"), "TEMP=" + dir.file("tmp")});
  EXPECT_EQ(missing.exitStatus, 2);
  EXPECT_EQ(missing.standardError,
            "Alert: No display is available for the log-in dialog: the "
            "configuration file " +
                dir.file("no such.ini") +
                " could not be read (No such file or directory); set DSN "
                "and SQL in the configuration file for an unattended run\n");
}

}  // namespace
}  // namespace tabulink
