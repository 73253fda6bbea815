// Through a stub driver: a connect that a driver refuses to complete without a window, a fetch
// that delivers its row with a warning, and values whose size the driver does not keep to.

#include <gtest/gtest.h>

#include "odbc/adapters.h"
#include "odbc/todbc.h"
#include "odbc/wrappers.h"
#include "support/odbc_env.h"
#include "support/temp_dir.h"

namespace tabulink {

class StubDriver : public ::testing::Test {
 protected:
  StubDriver() : userIni("ODBCINI", dir.file("odbc.ini")) {
    test::writeFile(dir.file("odbc.ini"), "[Stub]\nDriver=" TABULINK_STUB_DRIVER "\n");
  }
  test::TempDir dir;
  test::ScopedEnv userIni;
};

TEST_F(StubDriver, RefusedCompletionWithoutWindowIsAskedAgainWithoutPrompt) {
  TOdbc db("Stub", "ann", "a b", false);
  EXPECT_TRUE(db.lSuccess());
  EXPECT_TRUE(db.aErrors().empty()) << db.aErrors().front().operation;
  EXPECT_EQ(db.cConnect(), "DSN=Stub;UID=ann;PWD=a b;COMPLETION=0");
  EXPECT_EQ(db.cDSN(), "Stub");
}

TEST_F(StubDriver, RowDeliveredWithWarningIsARow) {
  TOdbc db("Stub", "", "", false);
  OdbcStatement statement = db.AllocStatement();
  ASSERT_TRUE(db.Execute("SELECT anything", {}, statement.handle()));
  EXPECT_TRUE(db.Fetch(statement.handle()));  // SQL_SUCCESS_WITH_INFO
  EXPECT_TRUE(db.Fetch(statement.handle()));
  EXPECT_FALSE(db.Fetch(statement.handle()));  // SQL_NO_DATA ends the rows unrecorded
  EXPECT_FALSE(db.IsError());

  // The warning does reach the caller as such.
  OdbcStatement raw = db.AllocStatement();
  ASSERT_TRUE(db.Execute("SELECT anything", {}, raw.handle()));
  EXPECT_EQ(SQLFETCH(raw.handle()), SQL_SUCCESS_WITH_INFO);
}

TEST_F(StubDriver, ValuesNeverOverrunTheBufferWhateverTheDriverReports) {
  TOdbc db("Stub", "", "", false);
  OdbcStatement statement = db.AllocStatement();
  ASSERT_TRUE(db.Execute("SELECT anything", {}, statement.handle()));
  ASSERT_TRUE(db.Fetch(statement.handle()));
  std::vector<char> memory(64, '#');

  // A text of unknown length: what the buffer holds, and no NULL.
  std::string_view text;
  bool isNull = true;
  EXPECT_EQ(SQLGETDATA(statement.handle(), 1, SQL_C_CHAR, std::span<char>(memory.data(), 11), text,
                       isNull),
            SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(text, "0123456789");
  EXPECT_FALSE(isNull);
  EXPECT_EQ(std::string(memory.begin() + 11, memory.end()), std::string(53, '#'));

  // A timestamp into a buffer shorter than its structure: only what fits is delivered.
  std::string_view stamp;
  EXPECT_EQ(SQLGETDATA(statement.handle(), 1, SQL_C_TIMESTAMP, std::span<char>(memory.data(), 5),
                       stamp, isNull),
            SQL_SUCCESS);
  EXPECT_EQ(stamp.size(), 5u);
  EXPECT_EQ(std::string(memory.begin() + 5, memory.begin() + 11), std::string("56789\0", 6));
  EXPECT_EQ(std::string(memory.begin() + 11, memory.end()), std::string(53, '#'));
}

}  // namespace tabulink
