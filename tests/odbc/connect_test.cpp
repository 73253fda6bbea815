// Opening and closing connections against the real drivers: values that a connection string
// would misread, an end with a transaction still open, and option values of any length.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/text.h"
#include "odbc/todbc.h"
#include "support/odbc_sources.h"
#include "support/temp_dir.h"

namespace tabulink {
namespace {

using test::DataSource;

std::string countOf(TOdbc& db, const std::string& table) {
  return std::string(trimRight(CVALTOCHAR(db.QueryData("SELECT count(*) FROM " + table))));
}

class ConnectPostgres : public ::testing::TestWithParam<DataSource> {};

TEST_P(ConnectPostgres, PasswordReachesTheServerWholeAndAddsNoAttribute) {
  TOdbc db(GetParam().dsn, test::kSemicolonUser, test::kSemicolonPassword, false);
  ASSERT_TRUE(db.lSuccess()) << (db.IsError() ? db.aErrors().front().operation : "");
  EXPECT_EQ(db.cDSN(), GetParam().dsn);
  EXPECT_EQ(db.cConnect(), "");  // no connection string was sent
  EXPECT_EQ(trimRight(db.QueryData("SELECT current_user").text()), test::kSemicolonUser);
  EXPECT_FALSE(db.IsError());

  // Attributes after a ";" in the password, which a connection string would read as a second
  // log-in, are only a wrong password.
  for (const std::string password :
       {"wrong;UID=tabulink;PWD=tabulink", "{wrong};PWD=tabulink", "wrong}PWD=tabulink"}) {
    TOdbc injected(GetParam().dsn, test::kSemicolonUser, password, false);
    EXPECT_FALSE(injected.lSuccess()) << password;
    ASSERT_EQ(injected.aErrors().size(), 1u);
    EXPECT_EQ(injected.aErrors().front().operation, "SQLConnect error from TODbc:New()");
    EXPECT_EQ(injected.aErrors().front().code, SQL_ERROR);
  }
}

INSTANTIATE_TEST_SUITE_P(Drivers, ConnectPostgres,
                         ::testing::Values(test::kPgAnsi, test::kPgUnicode), test::sourceName);

// The SQLite driver splits a connection string at ";" even inside braces, so a password could
// name another database file; the data source's own file is the only one ever opened.
TEST(ConnectSQLite, PasswordNamingAnotherDatabaseOpensNoOtherFile) {
  const std::string table = test::testTable("own");
  test::recreateTable(test::kSQLite, table, "x integer");
  test::TempDir dir;
  const std::string other = dir.file("other.sqlite");
  for (const std::string& password :
       {"x;Database=" + other + ";X=", "x;Database=" + other, "{x;Database=" + other + "}"}) {
    TOdbc db(test::kSQLite.dsn, "", password, false);
    ASSERT_TRUE(db.lSuccess()) << password;
    EXPECT_EQ(countOf(db, table), "0") << password;  // the data source's database
    EXPECT_FALSE(db.IsError()) << db.aErrors().front().message;
  }
  // A data-source name of the same kind names no data source at all.
  TOdbc named(std::string(test::kSQLite.dsn) + ";Database=" + other, "", "", false);
  EXPECT_FALSE(named.lSuccess());
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));  // neither other.sqlite nor other.sqlite}
}

class ConnectAnyPassword : public ::testing::TestWithParam<DataSource> {};

// Every printable ASCII character reaches the driver as typed. psqlODBC decodes "+" and "%xx" in
// a connection string's password, so there the right password would fail and a wrong one
// ("a%2Bb%2541c" for "a+b%41c") log in.
TEST_P(ConnectAnyPassword, EveryPrintableCharacterLogsInAsTyped) {
  ASSERT_EQ(std::string(test::kAsciiPassword).size(), 95u);
  for (auto [user, password] : {std::pair{test::kAsciiUser, test::kAsciiPassword},
                                std::pair{test::kPlusUser, test::kPlusPassword}}) {
    TOdbc db(GetParam().dsn, GetParam().postgres ? user : "", password, false);
    ASSERT_TRUE(db.lSuccess()) << password;
    EXPECT_EQ(db.cConnect(), "");
    EXPECT_EQ(trimRight(CVALTOCHAR(db.QueryData("SELECT 7"))), "7");
    // The SQLite driver reads no password.
    if (GetParam().postgres) {
      EXPECT_EQ(trimRight(db.QueryData("SELECT current_user").text()), user);
    }
    EXPECT_FALSE(db.IsError());
  }
  if (!GetParam().postgres) return;
  TOdbc wrong(GetParam().dsn, test::kPlusUser, "a%2Bb%2541c", false);
  EXPECT_FALSE(wrong.lSuccess());
}

INSTANTIATE_TEST_SUITE_P(Drivers, ConnectAnyPassword,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode),
                         test::sourceName);

class ConnectEnd : public ::testing::TestWithParam<DataSource> {};

// With auto-commit off, an End (or the object going away) while a transaction is open rolls it
// back and closes the connection, so no lock outlives it.
TEST_P(ConnectEnd, OpenTransactionIsRolledBackAndReleased) {
  const std::string table = test::testTable("open_txn");
  test::recreateTable(GetParam(), table, "x integer");
  for (bool explicitEnd : {true, false}) {
    {
      auto db = test::connectTo(GetParam());
      ASSERT_EQ(db->SetOptions(SQL_AUTOCOMMIT, long{SQL_AUTOCOMMIT_OFF}), SQL_SUCCESS);
      test::run(*db, "INSERT INTO " + table + " VALUES (1)");
      EXPECT_EQ(countOf(*db, table), "1");
      if (explicitEnd) {
        db->End();
        EXPECT_EQ(db->hDbc(), nullptr);
        EXPECT_EQ(db->hEnv(), nullptr);
        EXPECT_FALSE(db->IsError());
      }
    }
    // Another connection writes at once: no lock is left (SQLite would wait out its timeout and
    // answer "database is locked").
    auto other = test::connectTo(GetParam());
    EXPECT_EQ(countOf(*other, table), "0");
    test::run(*other, "INSERT INTO " + table + " VALUES (2)");
    test::run(*other, "DELETE FROM " + table);
    EXPECT_FALSE(other->IsError());
  }
}

INSTANTIATE_TEST_SUITE_P(Drivers, ConnectEnd,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode),
                         test::sourceName);

// A text option longer than the 256-byte option buffer comes back whole; it never overruns.
TEST(ConnectOptions, TraceFileOfAnyLengthComesBackWhole) {
  auto db = test::connectTo(test::kSQLite);
  test::TempDir dir;
  for (size_t length : {size_t{40}, size_t{255}, size_t{300}, size_t{4000}}) {
    const std::string path = dir.file(std::string(length - dir.path().string().size() - 1, 't'));
    ASSERT_EQ(path.size(), length);
    EXPECT_EQ(db->SetOptions(SQL_OPT_TRACEFILE, path), SQL_SUCCESS);
    std::string value = db->GetOptions(SQL_OPT_TRACEFILE);
    EXPECT_EQ(value.size(), std::max<size_t>(256, length + 1));
    EXPECT_EQ(value.substr(0, value.find('\0')), path);
    EXPECT_EQ(value.find_first_not_of('\0', length), std::string::npos);
  }
  EXPECT_FALSE(db->IsError()) << db->aErrors().front().operation;
}

}  // namespace
}  // namespace tabulink
