// The table catalog, table maintenance, Create's statement, information, options and
// transactions, against the real drivers.

#include <gtest/gtest.h>

#include <algorithm>

#include "core/text.h"
#include "odbc/adapters.h"
#include "odbc/todbc.h"
#include "support/odbc_sources.h"
#include "support/scripted_ui_scope.h"

namespace tabulink {
namespace {

using test::DataSource;

class Catalog : public ::testing::TestWithParam<DataSource> {
 protected:
  void SetUp() override { db = test::connectTo(GetParam()); }

  std::string count(TOdbc& connection, const std::string& table) {
    return std::string(
        trimRight(CVALTOCHAR(connection.QueryData("SELECT count(*) FROM " + table))));
  }

  std::unique_ptr<TOdbc> db;
};

TEST_P(Catalog, TablesListedViewsOnlyWhenAskedSystemTablesNever) {
  const std::string prefix = test::testTable("cat");
  test::recreateTable(GetParam(), prefix + "_a", "x integer");
  test::recreateTable(GetParam(), prefix + "_b", "x integer");
  test::run(*db, "CREATE VIEW " + prefix + "_v AS SELECT x FROM " + prefix + "_a");

  // In the driver's order: psqlODBC sorts by name, SQLite lists in the order of creation.
  EXPECT_EQ(db->GetTables(prefix + "*", false),
            (std::vector<std::string>{prefix + "_a", prefix + "_b"}));
  EXPECT_EQ(db->GetTables(prefix + "*"),
            (std::vector<std::string>{prefix + "_a", prefix + "_b", prefix + "_v"}));

  std::vector<std::string> all = db->GetTables();
  EXPECT_NE(std::find(all.begin(), all.end(), prefix + "_v"), all.end());
  for (const std::string& name : all) {
    EXPECT_FALSE(name.starts_with("pg_") || name.starts_with("sqlite_")) << name;
  }
  test::run(*db, "DROP VIEW " + prefix + "_v");
  EXPECT_FALSE(db->IsError());
}

TEST_P(Catalog, FileDelTableAndTruncateTable) {
  const std::string table = test::testTable("maint");
  test::recreateTable(GetParam(), table, "x integer");
  test::run(*db, "INSERT INTO " + table + " VALUES (1)");

  EXPECT_TRUE(db->File(table));
  EXPECT_FALSE(db->File(table + "_missing"));
  EXPECT_FALSE(db->File(""));

  if (GetParam().postgres) {
    EXPECT_TRUE(db->TruncateTable(table));
    EXPECT_EQ(count(*db, table), "0");
  } else {
    // SQLite has no TRUNCATE statement: the failure is recorded.
    EXPECT_FALSE(db->TruncateTable(table));
    ASSERT_EQ(db->aErrors().size(), 1u);
    EXPECT_EQ(db->aErrors().front().operation, "TOdbc:TruncateTable()");
  }
  const size_t errors = db->aErrors().size();
  EXPECT_FALSE(db->TruncateTable(table + "_missing"));
  EXPECT_FALSE(db->DelTable(table + "_missing"));
  EXPECT_EQ(db->aErrors().size(), errors);  // a table that is not there is no error

  EXPECT_TRUE(db->DelTable(table));
  EXPECT_FALSE(db->File(table));
}

TEST_P(Catalog, PrimaryKeyColumnsAreTheFourthColumnOfTheirCatalogRows) {
  const std::string table = test::testTable("keyed");
  test::recreateTable(GetParam(), table, "x integer, id integer PRIMARY KEY");
  OdbcStatement statement = db->AllocStatement();
  ASSERT_EQ(SQLPRIMARYKEYS(statement.handle(), table), SQL_SUCCESS);
  ASSERT_TRUE(db->Fetch(statement.handle()));
  std::string name;
  bool isNull = true;
  EXPECT_EQ(SQLGETDATA(statement.handle(), 4, SQL_C_CHAR, 64, name, isNull), SQL_SUCCESS);
  EXPECT_EQ(name, "id");
  EXPECT_FALSE(db->Fetch(statement.handle()));
}

TEST_P(Catalog, InformationOptionsAndTransactionsSeenFromAnotherConnection) {
  EXPECT_EQ(db->GetInfo(SQL_DBMS_NAME), GetParam().postgres ? "PostgreSQL" : "SQLite");
  std::string autoCommit = db->GetOptions(SQL_AUTOCOMMIT);
  ASSERT_EQ(autoCommit.size(), 256u);
  EXPECT_EQ(autoCommit.substr(0, 4), std::string("\1\0\0\0", 4));

  const std::string table = test::testTable("txn");
  test::recreateTable(GetParam(), table, "x integer");
  auto other = test::connectTo(GetParam());

  EXPECT_EQ(db->SetOptions(SQL_AUTOCOMMIT, long{SQL_AUTOCOMMIT_OFF}), SQL_SUCCESS);
  EXPECT_EQ(db->GetOptions(SQL_AUTOCOMMIT).substr(0, 4), std::string(4, '\0'));
  test::run(*db, "INSERT INTO " + table + " VALUES (1)");
  EXPECT_EQ(count(*other, table), "0");
  EXPECT_EQ(db->Commit(), SQL_SUCCESS);
  EXPECT_EQ(count(*other, table), "1");

  test::run(*db, "INSERT INTO " + table + " VALUES (2)");
  EXPECT_EQ(count(*db, table), "2");
  EXPECT_EQ(db->RollBack(), SQL_SUCCESS);
  EXPECT_EQ(count(*db, table), "1");
  EXPECT_EQ(count(*other, table), "1");
  EXPECT_FALSE(db->IsError());
  EXPECT_FALSE(other->IsError());

  // An unknown option: psqlODBC refuses it, SQLite answers with a warning; both are recorded.
  const int rc = db->SetOptions(30000, 1);
  EXPECT_EQ(rc, GetParam().postgres ? SQL_ERROR : SQL_SUCCESS_WITH_INFO);
  ASSERT_EQ(db->aErrors().size(), 1u);
  EXPECT_EQ(db->aErrors().back().operation, "SQLSetConn error from TODbc:SetOptions()");
  EXPECT_EQ(db->aErrors().back().code, rc);
  EXPECT_EQ(db->aErrors().back().message, "");
}

INSTANTIATE_TEST_SUITE_P(Drivers, Catalog,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode),
                         test::sourceName);

// SQLite keeps the text of every CREATE TABLE, so the statement Create built can be read back.
TEST(CatalogCreate, BuildsTheStatementFromTheFieldList) {
  auto db = test::connectTo(test::kSQLite);
  const std::string table = test::testTable("made");
  db->Execute("DROP TABLE IF EXISTS " + table);
  ASSERT_TRUE(db->Create(table, std::vector<CreateField>{{"A", "C", 10, 0, {}},
                                                         {"B", "l", 1, 0, {}},
                                                         {"C", "N", 10, 2, {}},
                                                         {"D", "M", 10, 0, {}},
                                                         {"E", "D", 8, 0, {}},
                                                         {"F", "C", 3, 0, "NOT NULL"}}));
  EXPECT_EQ(trimRight(CVALTOCHAR(
                db->QueryData("SELECT sql FROM sqlite_master WHERE name = '" + table + "'"))),
            "CREATE TABLE " + table +
                " ( A Char(10), B Bit, C Numeric(10, 2), D Text, E Datetime, F Char(3) NOT NULL )");

  const std::string spaced = table + " x";
  db->Execute("DROP TABLE IF EXISTS [" + spaced + "]");
  ASSERT_TRUE(db->Create(spaced, std::vector<CreateField>{{"A", "C", 1, 0, {}}}));
  EXPECT_EQ(trimRight(CVALTOCHAR(
                db->QueryData("SELECT sql FROM sqlite_master WHERE name = '" + spaced + "'"))),
            "CREATE TABLE [" + spaced + "] ( A Char(1) )");
  db->Execute("DROP TABLE [" + spaced + "]");
}

TEST(CatalogCreate, UnknownLettersLeaveAnEmptySlotAndMissingArgumentsStop) {
  test::ScriptedUiScope scripted;
  auto db = test::connectTo(test::kSQLite);
  EXPECT_FALSE(db->Create(std::nullopt, std::vector<CreateField>{}));
  EXPECT_FALSE(db->Create("t", std::nullopt));
  ASSERT_EQ(scripted->messages.size(), 2u);
  EXPECT_EQ(scripted->messages[0].title, "TOdbc:Create)");
  EXPECT_EQ(scripted->messages[0].text, "Fieldname invalid");
  EXPECT_EQ(scripted->messages[0].icon, MessageIcon::Stop);
  EXPECT_EQ(scripted->messages[1].text, "Fields info array invalid");
  EXPECT_FALSE(db->IsError());

  // "CREATE TABLE t ( A Char(1),  )" is no valid statement.
  EXPECT_FALSE(db->Create(test::testTable("bad"),
                          std::vector<CreateField>{{"A", "C", 1, 0, {}}, {"B", "X", 1, 0, {}}}));
  ASSERT_EQ(db->aErrors().size(), 1u);
  EXPECT_EQ(db->aErrors().front().operation, "oOdbc:Create()");
}

}  // namespace
}  // namespace tabulink
