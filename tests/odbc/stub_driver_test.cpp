// Through a stub driver: a connect that a driver refuses to complete without a window, and a
// fetch that delivers its row with a warning.

#include <gtest/gtest.h>

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
  TOdbc db("Stub", "ann", "a;b", false);
  EXPECT_TRUE(db.lSuccess());
  EXPECT_TRUE(db.aErrors().empty()) << db.aErrors().front().operation;
  EXPECT_EQ(db.cConnect(), "DSN=Stub;UID=ann;PWD={a;b};COMPLETION=0");
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

}  // namespace tabulink
