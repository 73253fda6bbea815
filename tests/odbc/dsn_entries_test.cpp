#include "odbc/dsn_entries.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/odbc_env.h"
#include "support/temp_dir.h"

namespace tabulink {

using test::ScopedEnv;
using test::sqliteDsn;
using test::TempDir;
using test::writeFile;

// User data sources from ODBCINI, system ones from ODBCSYSINI/odbc.ini beside the test's
// odbcinst.ini that registers the SQLite driver. The driver manager resolves ODBCSYSINI once per
// process and keeps that folder, so every test of the process shares one system folder (and no
// test before these may use the driver manager); the user file is looked up on every call.
class DsnEntries : public ::testing::Test {
 protected:
  DsnEntries()
      : userIni("ODBCINI", dir.file("user.ini")), sysIni("ODBCSYSINI", systemDir().string()) {
    writeFile(systemFile("odbcinst.ini"),
              test::readFile(std::string(TABULINK_TEST_ODBC_DIR) + "/system/odbcinst.ini"));
    std::filesystem::remove(systemFile("odbc.ini"));
  }
  static const std::filesystem::path& systemDir() {
    static const TempDir shared;
    return shared.path();
  }
  static std::string systemFile(const std::string& name) { return (systemDir() / name).string(); }
  static std::string padded(const std::string& name) {
    return name + std::string(254 - name.size(), ' ');
  }

  TempDir dir;
  ScopedEnv userIni;
  ScopedEnv sysIni;
};

// The driver manager's own section is left out.
TEST_F(DsnEntries, UserSourcesThenSystemSourcesInFileOrder) {
  writeFile(dir.file("user.ini"), "[ODBC]\nTrace=No\n\n" + sqliteDsn("Stock", "/tmp/a.db") +
                                      sqliteDsn("Sales", "/tmp/b.db"));
  writeFile(systemFile("odbc.ini"), sqliteDsn("Warehouse", "/tmp/c.db"));
  std::vector<std::string> entries = ODBCDSNENTRIES();
  EXPECT_EQ(entries,
            (std::vector<std::string>{padded("Stock"), padded("Sales"), padded("Warehouse")}));
  for (const std::string& entry : entries)
    EXPECT_EQ(entry.size(), 254u);
}

TEST_F(DsnEntries, EmptyOrMissingFilesGiveTheEmptyList) {
  EXPECT_TRUE(ODBCDSNENTRIES().empty());
  writeFile(dir.file("user.ini"), "");
  writeFile(systemFile("odbc.ini"), "");
  EXPECT_TRUE(ODBCDSNENTRIES().empty());
}

TEST_F(DsnEntries, OnlySystemSources) {
  writeFile(systemFile("odbc.ini"), sqliteDsn("Warehouse", "/tmp/c.db"));
  EXPECT_EQ(ODBCDSNENTRIES(), std::vector<std::string>{padded("Warehouse")});
}

}  // namespace tabulink
