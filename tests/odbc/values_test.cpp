// Reading values through the wrappers and the session against the real drivers: NULL and empty
// text, truncation into a short buffer, timestamps, decimal commas, and the reusable-buffer path.

#include <gtest/gtest.h>

#include <vector>

#include "core/text.h"
#include "odbc/adapters.h"
#include "odbc/todbc.h"
#include "support/odbc_sources.h"

namespace tabulink {
namespace {

using test::DataSource;

class Values : public ::testing::TestWithParam<DataSource> {
 protected:
  void SetUp() override {
    table = test::testTable("vals");
    test::recreateTable(GetParam(), table,
                        "id integer NOT NULL, t varchar(40), ts timestamp, n numeric(10,2)");
    db = test::connectTo(GetParam());
    test::run(*db, "INSERT INTO " + table +
                       " VALUES (1, NULL, NULL, NULL), (2, '', '2005-03-01 09:05:07.123', 1.25),"
                       " (3, '0123456789012345678901234567890123456789', "
                       "'1999-12-31 23:59:58', -7.5)");
  }
  // Runs `sql` on a statement of its own and fetches the first row.
  OdbcStatement selectFirstRow(const std::string& sql) {
    OdbcStatement statement = db->AllocStatement();
    EXPECT_TRUE(db->Execute(sql, {}, statement.handle()));
    EXPECT_TRUE(db->Fetch(statement.handle()));
    return statement;
  }

  std::string table;
  std::unique_ptr<TOdbc> db;
};

TEST_P(Values, NullIsAbsentAndEmptyTextIsBlanks) {
  OdbcStatement statement = db->AllocStatement();
  ASSERT_TRUE(
      db->Execute("SELECT t FROM " + table + " WHERE id < 3 ORDER BY id", {}, statement.handle()));
  std::vector<ColumnDescription> columns = db->CursorFields(statement.handle());
  ASSERT_EQ(columns.size(), 1u);

  ASSERT_TRUE(db->Fetch(statement.handle()));
  std::string raw = "left over";
  bool isNull = false;
  EXPECT_EQ(SQLGETDATA(statement.handle(), 1, SQL_C_CHAR, 41, raw, isNull), SQL_SUCCESS);
  EXPECT_EQ(raw, "");
  EXPECT_TRUE(isNull);

  ASSERT_TRUE(db->Fetch(statement.handle()));
  EXPECT_EQ(db->GetValue(1, statement.handle(), columns), Value(std::string(40, ' ')));
  EXPECT_FALSE(db->IsError());
}

TEST_P(Values, NullThroughTheSessionIsAbsentInEveryType) {
  OdbcStatement statement = selectFirstRow("SELECT t, ts, n FROM " + table + " WHERE id = 1");
  std::vector<ColumnDescription> columns = db->CursorFields(statement.handle());
  ASSERT_EQ(columns.size(), 3u);
  for (int column = 1; column <= 3; ++column)
    EXPECT_TRUE(db->GetValue(column, statement.handle(), columns).isAbsent()) << column;
}

TEST_P(Values, LongTextIntoShortBufferIsCutWithoutOverrun) {
  OdbcStatement statement = selectFirstRow("SELECT t FROM " + table + " WHERE id = 3");
  std::vector<char> memory(64, '#');
  std::string_view value;
  bool isNull = true;
  EXPECT_EQ(SQLGETDATA(statement.handle(), 1, SQL_C_CHAR, std::span<char>(memory.data(), 11), value,
                       isNull),
            SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(value, "0123456789");
  EXPECT_FALSE(isNull);
  EXPECT_EQ(std::string(memory.begin() + 11, memory.end()), std::string(53, '#'));

  OdbcStatement again = selectFirstRow("SELECT t FROM " + table + " WHERE id = 3");
  std::string copied;
  SQLLEN indicator = 0;
  EXPECT_EQ(SQLGETD32(again.handle(), 1, SQL_C_CHAR, copied, 11, indicator), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(copied, "0123456789");
  EXPECT_TRUE(indicator == 40 || indicator == SQL_NO_TOTAL) << indicator;
}

TEST_P(Values, TextCutByTheBufferNeverEndsInHalfACharacter) {
  const std::string narrow = test::testTable("narrow");
  test::recreateTable(GetParam(), narrow, "v varchar(4)");
  // PostgreSQL counts characters, so the four fit; the column size says 4 (bytes to us).
  test::run(*db, "INSERT INTO " + narrow + " VALUES ('a\xC3\xA4\xC3\xB6\xC3\xBC')");
  OdbcStatement statement = selectFirstRow("SELECT v FROM " + narrow);
  std::vector<ColumnDescription> columns = db->CursorFields(statement.handle());
  ASSERT_EQ(columns.size(), 1u);
  ASSERT_EQ(columns[0].length, 4);
  EXPECT_EQ(db->GetValue(1, statement.handle(), columns), Value("a\xC3\xA4 "));
  EXPECT_FALSE(db->IsError());
}

TEST_P(Values, TimestampWithFractionAsTextAndAsDate) {
  const std::string sql = "SELECT ts FROM " + table + " WHERE id = 2";
  OdbcStatement asText = selectFirstRow(sql);
  std::vector<ColumnDescription> textColumns = db->CursorFields(asText.handle(), true);
  // PostgreSQL's timestamp declares microseconds: its text keeps them.
  EXPECT_EQ(db->GetValue(1, asText.handle(), textColumns),
            Value(GetParam().postgres ? "2005-03-01 09:05:07.123000" : "2005-03-01 09:05:07.123"));

  db->lDateAsStr = false;
  OdbcStatement asDate = selectFirstRow(sql);
  std::vector<ColumnDescription> dateColumns = db->CursorFields(asDate.handle());
  EXPECT_EQ(db->GetValue(1, asDate.handle(), dateColumns), Value(Date::fromYmd(2005, 3, 1)));
  EXPECT_FALSE(db->IsError());
}

TEST_P(Values, OneBufferAndOneValuePerColumnServeEveryRow) {
  OdbcStatement statement = db->AllocStatement();
  ASSERT_TRUE(
      db->Execute("SELECT id, t, n FROM " + table + " ORDER BY id", {}, statement.handle()));
  std::vector<ColumnDescription> columns = db->CursorFields(statement.handle());
  ASSERT_EQ(columns.size(), 3u);
  // The SQLite driver reports every column as nullable.
  EXPECT_EQ(columns[0].notNull, GetParam().postgres);
  EXPECT_FALSE(columns[1].notNull);
  std::vector<std::vector<char>> buffers(columns.size());
  std::vector<Value> values(columns.size());
  std::vector<std::string> rows;
  while (db->Fetch(statement.handle())) {
    std::string row;
    for (int column = 1; column <= 3; ++column) {
      db->GetValue(column, statement.handle(), columns, buffers[column - 1], values[column - 1]);
      row += "[" + std::string(trimRight(CVALTOCHAR(values[column - 1]))) + "]";
    }
    rows.push_back(row);
  }
  // SQLite renders the number without trailing zeros; the value carries the decimals it shows.
  const std::string last = GetParam().postgres ? "[-7.50]" : "[-7.5]";
  EXPECT_EQ(rows,
            (std::vector<std::string>{"[1][][]", "[2][][1.25]",
                                      "[3][0123456789012345678901234567890123456789]" + last}));
  EXPECT_EQ(buffers[1].size(), columns[1].fetchLength());
  EXPECT_FALSE(db->IsError());
}

TEST_P(Values, QueryRowAndQueryData) {
  std::vector<Value> row = db->QueryRow("SELECT id, n FROM " + table + " WHERE id = 2");
  ASSERT_EQ(row.size(), 2u);
  EXPECT_EQ(row[0], Value::number(2));
  EXPECT_EQ(row[1], Value::number(1.25, 2));
  EXPECT_TRUE(db->QueryRow("SELECT id FROM " + table + " WHERE id = 99").empty());
  EXPECT_TRUE(db->QueryData("SELECT id FROM " + table + " WHERE id = 99").isAbsent());
  // count(*) is a bigint in PostgreSQL, which is delivered as text.
  EXPECT_EQ(trimRight(CVALTOCHAR(db->QueryData("SELECT count(*) FROM " + table))), "3");
  EXPECT_FALSE(db->IsError());
}

TEST_P(Values, FailingCallsReturnMinusOneAndDeliverTheirFailureValues) {
  OdbcStatement statement = db->AllocStatement();
  EXPECT_EQ(SQLGETDIAGREC(statement.handle()), "");
  ASSERT_TRUE(db->Execute("SELECT t FROM " + table, {}, statement.handle()));
  std::string data = "unchanged?";
  SQLLEN indicator = 99;
  EXPECT_EQ(SQLGETD32(statement.handle(), 1, SQL_C_CHAR, data, 41, indicator), SQL_ERROR);
  EXPECT_EQ(data, "");
  EXPECT_EQ(indicator, 0);

  std::string info = "kept";
  EXPECT_EQ(SQLGETIN32(db->hDbc(), 30000, info), SQL_ERROR);
  EXPECT_EQ(info, "kept");
  std::string option = "kept";
  EXPECT_EQ(SQLGETCONNECTOPTION(db->hDbc(), 30000, option), SQL_ERROR);
  EXPECT_EQ(option, "kept");
  EXPECT_EQ(SQLFETCH(nullptr), SQL_INVALID_HANDLE);
}

INSTANTIATE_TEST_SUITE_P(Drivers, Values,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode),
                         test::sourceName);

TEST(ValuesSQLite, DecimalCommaReadsAsPoint) {
  const std::string table = test::testTable("comma");
  test::recreateTable(test::kSQLite, table, "n numeric(10,2)");
  auto db = test::connectTo(test::kSQLite);
  test::run(*db, "INSERT INTO " + table + " VALUES ('12,50')");
  EXPECT_EQ(db->QueryData("SELECT n FROM " + table), Value::number(12.5, 2));
}

}  // namespace
}  // namespace tabulink
