// Connecting through a driver that refuses SQL_DRIVER_COMPLETE without a window.

#include <gtest/gtest.h>

#include "odbc/todbc.h"
#include "support/odbc_env.h"
#include "support/temp_dir.h"

namespace tabulink {

TEST(Connect, DriverRefusingCompletionWithoutWindowIsAskedWithoutPrompt) {
  test::TempDir dir;
  test::writeFile(dir.file("odbc.ini"),
                  "[Refuser]\nDriver=" TABULINK_REFUSING_DRIVER "\nDescription=refuses\n");
  test::ScopedEnv userIni("ODBCINI", dir.file("odbc.ini"));
  TOdbc db("Refuser", "ann", "a;b", false);
  EXPECT_TRUE(db.lSuccess());
  EXPECT_TRUE(db.aErrors().empty()) << db.aErrors().front().operation;
  EXPECT_EQ(db.cConnect(), "DSN=Refuser;UID=ann;PWD={a;b};COMPLETION=0");
  EXPECT_EQ(db.cDSN(), "Refuser");
}

}  // namespace tabulink
