// How each real driver reports the common SQL types through the narrow calls, and the column
// descriptions and values the session makes of them.

#include <gtest/gtest.h>

#include <vector>

#include "core/text.h"
#include "odbc/adapters.h"
#include "odbc/todbc.h"
#include "support/odbc_sources.h"

namespace tabulink {
namespace {

using test::DataSource;

// What the driver reports for one column (type, size, digits), what the description makes of it
// (letter, length, decimals) and the value of the sample row as text, trailing blanks removed.
struct Pinned {
  const char* column;
  int sqlType;
  SQLULEN size;
  int digits;
  char letter;
  int length;
  int decimals;
  const char* value;
};

struct DriverCase {
  DataSource source;
  const char* columns;
  const char* row;
  std::vector<Pinned> pinned;
};

const char* const kPgColumns =
    "i integer, s smallint, n numeric(10,2), f numeric(5,5), r real, d double precision, "
    "vc varchar(20), c char(5), tx text, dt date, tm time, ts timestamp, b boolean, bi bigint, "
    "by bytea, u uuid";
const char* const kPgRow =
    "42, 7, 12.5, 0.12345, 1.5, 2.25, 'abc', 'xy', 'long text', '2005-03-01', '09:05:07', "
    "'2005-03-01 09:05:07.123', true, 9000000000, '\\x0102ff', "
    "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'";
// psqlODBC, ANSI and Unicode driver alike through the narrow calls (default options: booleans
// as characters, text as long varchar of 8190, bytea as long varbinary of unknown size).
const std::vector<Pinned> kPgPinned = {
    {"i", SQL_INTEGER, 10, 0, 'N', 19, 0, "42"},
    {"s", SQL_SMALLINT, 5, 0, 'N', 19, 0, "7"},
    {"n", SQL_NUMERIC, 10, 2, 'N', 19, 2, "12.50"},
    {"f", SQL_NUMERIC, 5, 5, 'N', 19, 2, "0.12345"},
    {"r", SQL_REAL, 9, 0, 'N', 19, 2, "1.5"},
    {"d", SQL_FLOAT, 17, 0, 'N', 19, 2, "2.25"},
    {"vc", SQL_VARCHAR, 20, 0, 'C', 20, 0, "abc"},
    {"c", SQL_CHAR, 5, 0, 'C', 5, 0, "xy"},
    {"tx", SQL_LONGVARCHAR, 8190, 0, 'M', 8190, 0, "long text"},
    {"dt", SQL_DATE, 10, 0, 'D', 10, 0, "03/01/2005"},
    {"tm", SQL_TIME, 8, 6, 'C', 8, 6, "09:05:07"},
    {"ts", SQL_TIMESTAMP, 26, 6, 'D', 26, 6, "03/01/2005"},
    {"b", SQL_VARCHAR, 5, 0, 'C', 5, 0, "1"},
    {"bi", SQL_BIGINT, 19, 0, 'U', 20, 0, "9000000000"},
    {"by", SQL_LONGVARBINARY, 0, 0, 'M', kMaxColumnLength, 0, "0102ff"},
    {"u", SQL_GUID, 37, 0, 'U', 111, 0, "A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11"},
};

const DriverCase kSQLiteCase{
    test::kSQLite,
    "i integer, s smallint, n numeric(10,2), f numeric(5,5), r real, d double, vc varchar(20), "
    "c char(5), tx text, dt date, tm time, ts timestamp, b bit, bi bigint, by blob, bn binary(8), "
    "u uuid",
    "42, 7, 12.5, 0.12345, 1.5, 2.25, 'abc', 'xy', 'long text', '2005-03-01', '09:05:07', "
    "'2005-03-01 09:05:07.123', 1, 9000000000, x'0102ff', x'0102', "
    "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'",
    {
        // The SQLite driver reports every non-integer number as SQL_DOUBLE without digits, and
        // takes the size from the declared type text.
        {"i", SQL_INTEGER, 10, 0, 'N', 19, 0, "42"},
        {"s", SQL_SMALLINT, 6, 0, 'N', 19, 0, "7"},
        {"n", SQL_DOUBLE, 10, 0, 'N', 19, 2, "12.5"},
        {"f", SQL_DOUBLE, 5, 0, 'N', 19, 2, "0.12345"},
        {"r", SQL_DOUBLE, 54, 0, 'N', 19, 2, "1.5"},
        {"d", SQL_DOUBLE, 54, 0, 'N', 19, 2, "2.25"},
        {"vc", SQL_VARCHAR, 20, 0, 'C', 20, 0, "abc"},
        {"c", SQL_VARCHAR, 5, 0, 'C', 5, 0, "xy"},
        {"tx", SQL_LONGVARCHAR, 65536, 0, 'M', 65536, 0, "long text"},
        {"dt", SQL_DATE, 10, 0, 'D', 10, 0, "03/01/2005"},
        {"tm", SQL_TIME, 8, 0, 'C', 8, 0, "09:05:07"},
        {"ts", SQL_TIMESTAMP, 32, 0, 'D', 32, 0, "03/01/2005"},
        {"b", SQL_BIT, 1, 0, 'L', 1, 0, ".T."},
        {"bi", SQL_BIGINT, 20, 0, 'U', 20, 0, "9000000000"},
        {"by", SQL_BINARY, 255, 0, 'U', 255, 0, "X'0102FF'"},
        {"bn", SQL_VARCHAR, 8, 0, 'C', 8, 0, "X'0102'"},
        {"u", SQL_VARCHAR, 255, 0, 'C', 255, 0, "a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11"},
    }};

void PrintTo(const DriverCase& driver, std::ostream* out) {
  *out << driver.source.label;
}

class TypeMapping : public ::testing::TestWithParam<DriverCase> {};

TEST_P(TypeMapping, DriverReportsAndSessionDescribesAndConverts) {
  const DriverCase& driver = GetParam();
  auto db = test::connectTo(driver.source);
  const std::string table = test::testTable("typemap");
  test::recreateTable(driver.source, table, driver.columns);
  test::run(*db, "INSERT INTO " + table + " VALUES (" + driver.row + ")");

  OdbcStatement statement = db->AllocStatement();
  ASSERT_TRUE(db->Execute("SELECT * FROM " + table, {}, statement.handle()));
  std::vector<ColumnDescription> columns = db->CursorFields(statement.handle());
  ASSERT_EQ(columns.size(), driver.pinned.size());
  ASSERT_TRUE(db->Fetch(statement.handle()));
  for (size_t i = 0; i < columns.size(); ++i) {
    const Pinned& pin = driver.pinned[i];
    SCOPED_TRACE(pin.column);
    std::string name;
    int sqlType = 0;
    SQLULEN size = 0;
    int digits = 0;
    bool notNull = true;
    ASSERT_EQ(SQLDESCRIBECOL(statement.handle(), static_cast<int>(i + 1), name, sqlType, size,
                             digits, notNull),
              SQL_SUCCESS);
    EXPECT_EQ(name, pin.column);
    EXPECT_EQ(sqlType, pin.sqlType);
    EXPECT_EQ(size, pin.size);
    EXPECT_EQ(digits, pin.digits);
    EXPECT_FALSE(notNull);

    const ColumnDescription& column = columns[i];
    EXPECT_EQ(column.name, pin.column);
    EXPECT_EQ(column.type, pin.letter);
    EXPECT_EQ(column.length, pin.length);
    EXPECT_EQ(column.decimals, pin.decimals);
    EXPECT_EQ(column.sqlType, pin.sqlType);
    Value value = db->GetValue(static_cast<int>(i + 1), statement.handle(), columns);
    EXPECT_EQ(trimRight(CVALTOCHAR(value)), pin.value);
    // Character values fill their width; memo values come as the data source holds them.
    if (value.isText() && column.type == 'C') {
      EXPECT_EQ(value.text().size(), static_cast<size_t>(column.length));
    }
  }
  EXPECT_FALSE(db->Fetch(statement.handle()));
  EXPECT_FALSE(db->IsError()) << db->aErrors().front().operation << " "
                              << db->aErrors().front().message;
}

std::string caseName(const ::testing::TestParamInfo<DriverCase>& info) {
  return info.param.source.label;
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, TypeMapping,
    ::testing::Values(kSQLiteCase, DriverCase{test::kPgAnsi, kPgColumns, kPgRow, kPgPinned},
                      DriverCase{test::kPgUnicode, kPgColumns, kPgRow, kPgPinned}),
    caseName);

}  // namespace
}  // namespace tabulink
