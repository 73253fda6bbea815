// The error list of a connection: what each kind of failure records, where it says it happened,
// the bound on its length, and how entries are shown and escalated.

#include <gtest/gtest.h>

#include <string>

#include "core/text.h"
#include "failure/error_block.h"
#include "odbc/adapters.h"
#include "odbc/todbc.h"
#include "support/odbc_sources.h"
#include "support/scripted_ui_scope.h"

namespace tabulink {
namespace {

using test::DataSource;

// Whether `location` names the body of the running test ("On Procedure: <suite>_<name>_Test::
// TestBody Line: <line>"), without namespaces.
::testing::AssertionResult namesThisTest(const std::string& location, int line) {
  const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  const std::string method = name.substr(0, name.find('/'));
  if (location.starts_with("On Procedure: ") &&
      location.ends_with("_" + method + "_Test::TestBody Line: " + std::to_string(line)) &&
      location.find("tabulink") == std::string::npos &&
      location.find("anonymous") == std::string::npos)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << location;
}

struct MissingTable {
  DataSource source;
  const char* sqlState;
  const char* messageStart;
};

void PrintTo(const MissingTable& driver, std::ostream* out) {
  *out << driver.source.label;
}

class ErrorsOnSource : public ::testing::TestWithParam<MissingTable> {};

TEST_P(ErrorsOnSource, MissingTableRecordsStateAndMessageAtTheCallersLine) {
  auto db = test::connectTo(GetParam().source);
  const int line = __LINE__ + 1;
  EXPECT_FALSE(db->Execute("SELECT * FROM no_such_table_here", "reading"));
  ASSERT_EQ(db->aErrors().size(), 1u);
  const ErrorEntry& entry = db->aErrors().front();
  EXPECT_EQ(entry.operation, "reading");
  EXPECT_TRUE(namesThisTest(entry.location, line));
  EXPECT_TRUE(entry.message.starts_with(std::string("Class: ") + GetParam().sqlState + "\r\n" +
                                        GetParam().messageStart))
      << entry.message;
  EXPECT_EQ(db->LastError(), "reading");

  // Through the operations that run their own statement, the location is still the caller's.
  const int queryLine = __LINE__ + 1;
  EXPECT_TRUE(db->QueryRow("SELECT * FROM no_such_table_here").empty());
  EXPECT_EQ(db->aErrors().back().operation, "EXECUTE statement on RUN method");
  EXPECT_TRUE(namesThisTest(db->aErrors().back().location, queryLine));
}

TEST_P(ErrorsOnSource, FetchThatFailsRecordsTheStatementsDiagnostics) {
  auto db = test::connectTo(GetParam().source);
  OdbcStatement statement = db->AllocStatement();
  // The error comes from row 150, after the first batch of rows has been fetched.
  ASSERT_TRUE(db->Execute(
      GetParam().source.postgres
          ? "SELECT 10 / (150 - x) FROM generate_series(1, 300) AS x"
          : "WITH RECURSIVE s(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM s WHERE x < 300) "
            "SELECT CASE WHEN x = 150 THEN abs(-9223372036854775808) ELSE x END FROM s",
      {}, statement.handle()))
      << db->aErrors().back().message;
  int rows = 0;
  while (db->Fetch(statement.handle()))
    ++rows;
  EXPECT_GE(rows, 100);
  EXPECT_LT(rows, 150);
  ASSERT_EQ(db->aErrors().size(), 1u);
  const ErrorEntry& entry = db->aErrors().front();
  EXPECT_EQ(entry.operation, "TOdbc:Fetch()");
  EXPECT_TRUE(entry.message.starts_with(std::string("Class: ") +
                                        (GetParam().source.postgres ? "22012" : "S1000")))
      << entry.message;
  EXPECT_NE(entry.message.find("\r\n"), std::string::npos);
}

TEST_P(ErrorsOnSource, ValueReadWithoutRowNamesColumnTypeAndBuffer) {
  auto db = test::connectTo(GetParam().source);
  OdbcStatement statement = db->AllocStatement();
  ASSERT_TRUE(db->Execute("SELECT 1, 2, CAST('x' AS varchar(50))", {}, statement.handle()));
  std::vector<ColumnDescription> columns = db->CursorFields(statement.handle());
  ASSERT_EQ(columns.size(), 3u);
  columns[2].sqlType = SQL_VARCHAR;  // as both drivers report it; the text names what was asked
  Value value = db->GetValue(3, statement.handle(), columns);  // before any fetch
  ASSERT_EQ(db->aErrors().size(), 1u);
  EXPECT_EQ(db->aErrors().front().operation,
            "TOdbc:GetValue(3), nType: 12, Len: " + std::to_string(columns[2].fetchLength()));
  EXPECT_EQ(value, Value(std::string(static_cast<size_t>(columns[2].length), ' ')));
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, ErrorsOnSource,
    ::testing::Values(MissingTable{test::kSQLite, "S1000",
                                   "[SQLite]no such table: no_such_table_here"},
                      MissingTable{test::kPgAnsi, "42P01", "ERROR: relation"},
                      MissingTable{test::kPgUnicode, "42P01", "ERROR: relation"}),
    [](const ::testing::TestParamInfo<MissingTable>& info) { return info.param.source.label; });

TEST(Errors, FailedConnectRecordsOneEntryWithoutMessage) {
  const int line = __LINE__ + 1;
  TOdbc db(test::kPgAnsi.dsn, "tabulink", "wrong password", false);
  EXPECT_FALSE(db.lSuccess());
  EXPECT_EQ(db.cConnect(), "");
  EXPECT_EQ(db.cDSN(), "TestPgAnsi");
  ASSERT_EQ(db.aErrors().size(), 1u);
  const ErrorEntry& entry = db.aErrors().front();
  EXPECT_EQ(entry.operation, "SQLDriverConnect error from TODbc:New()");
  EXPECT_TRUE(namesThisTest(entry.location, line));
  EXPECT_EQ(entry.message, "");
  EXPECT_EQ(entry.code, SQL_ERROR);

  // A closed object keeps its list and fails harmlessly.
  db.End();
  db.End();
  EXPECT_EQ(db.hEnv(), nullptr);
  EXPECT_EQ(db.hDbc(), nullptr);
  EXPECT_EQ(db.GetInfo(SQL_DBMS_NAME), std::string(256, ' '));
  ASSERT_EQ(db.aErrors().size(), 2u);
  EXPECT_EQ(db.aErrors().back().code, SQL_INVALID_HANDLE);
}

TEST(Errors, ListKeepsTheNewest101Entries) {
  TOdbc db(test::kSQLite.dsn, "", "", false);
  for (int i = 1; i <= 102; ++i)
    db.NewError("e" + std::to_string(i), std::nullopt, std::nullopt, i);
  ASSERT_EQ(db.aErrors().size(), 101u);
  EXPECT_EQ(db.aErrors().front().operation, "e2");
  EXPECT_EQ(db.aErrors().front().code, 2);
  EXPECT_EQ(db.aErrors().back().operation, "e102");
  EXPECT_EQ(db.LastError(), "e102");
}

TEST(Errors, DefaultsAndWarnings) {
  auto db = test::connectTo(test::kPgAnsi);
  EXPECT_FALSE(db->IsError());
  EXPECT_EQ(db->LastError(), "");
  EXPECT_FALSE(db->Execute(""));
  EXPECT_FALSE(db->IsError());

  db->NewError();
  EXPECT_EQ(db->aErrors().back().operation, "SQL Error");
  EXPECT_EQ(db->aErrors().back().message, "");
  EXPECT_EQ(db->aErrors().back().code, 0);
  db->NewError("given", "On Procedure: ELSEWHERE Line: 7");
  EXPECT_EQ(db->aErrors().back().location, "On Procedure: ELSEWHERE Line: 7");

  // A statement that completes with a warning is not a success for Execute.
  EXPECT_FALSE(db->Execute("DROP TABLE IF EXISTS never_created_here"));
  EXPECT_EQ(db->aErrors().back().operation, "SQL Error");
  EXPECT_TRUE(db->aErrors().back().message.starts_with("Class: 00000\r\nNOTICE:"))
      << db->aErrors().back().message;
}

TEST(Errors, ShownInAlertsAndListedOldestFirst) {
  test::ScriptedUiScope scripted;
  TOdbc db(test::kSQLite.dsn);  // errors shown by default
  ASSERT_TRUE(db.lSuccess());
  db.ShowErrorList();
  ASSERT_EQ(scripted->messages.size(), 1u);
  EXPECT_EQ(scripted->messages[0].title, "ODBC Error list");
  EXPECT_EQ(scripted->messages[0].text, "No errors on ODBC connection");
  EXPECT_EQ(scripted->messages[0].icon, MessageIcon::Information);
  EXPECT_TRUE(scripted->lists.empty());

  db.NewError("first", "On Procedure: A Line: 1", std::nullopt, -1);
  ASSERT_EQ(scripted->messages.size(), 2u);
  EXPECT_EQ(scripted->messages[1].title, "Alert");
  EXPECT_EQ(scripted->messages[1].text, "first\r\n[# -1] \r\n\r\nOn Procedure: A Line: 1");
  EXPECT_EQ(scripted->messages[1].icon, MessageIcon::Exclamation);
  db.Execute("SELECT * FROM missing_table_for_alert", "second");

  db.ShowErrorList("Mine");
  ASSERT_EQ(scripted->lists.size(), 1u);
  EXPECT_EQ(scripted->lists[0].title, "Mine");
  ASSERT_EQ(scripted->lists[0].lines.size(), 2u);
  EXPECT_EQ(scripted->lists[0].lines[0], "first\tOn Procedure: A Line: 1\tRetcode: -1");
  EXPECT_TRUE(scripted->lists[0].lines[1].starts_with("second\tOn Procedure: "));
  EXPECT_TRUE(scripted->lists[0].lines[1].ends_with("Retcode: " +
                                                    std::to_string(db.aErrors().back().code)));
}

TEST(Errors, AbortHandsARunTimeErrorToTheErrorBlock) {
  std::vector<RunError> raised;
  ErrorBlock previous = installErrorBlock([&](const RunError& error) {
    raised.push_back(error);
    return ErrorAnswer::Default;
  });
  TOdbc db(test::kSQLite.dsn, "", "", false);
  db.lAbort = true;
  db.NewError("op", std::nullopt, std::nullopt, -2);
  installErrorBlock(std::move(previous));
  ASSERT_EQ(raised.size(), 1u);
  EXPECT_EQ(raised[0].SUBSYSTEM, "QVERROR");
  EXPECT_EQ(raised[0].SUBCODE, -2);
  EXPECT_EQ(raised[0].SEVERITY, 2);
  EXPECT_EQ(raised[0].OPERATION, "op");
  EXPECT_EQ(ERRORMESSAGE(raised[0]), "Error QVERROR/-2: op");
}

}  // namespace
}  // namespace tabulink
