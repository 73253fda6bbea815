// The read-ahead ring at its smallest (two slots): rows handed over in order whichever thread
// waits, warnings and values read on that travel with their rows, the end of the rows, and a stop
// while the reading thread waits for a free slot. Then rows fetched in blocks against the same
// rows fetched one by one, on every test source.

#include "odbc/row_read_ahead.h"

#include <gtest/gtest.h>

#include "support/odbc_sources.h"

namespace tabulink {
namespace {

class RowReadAheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table = test::testTable("ring");
    test::recreateTable(test::kSQLite, table, "id integer");
    db = test::connectTo(test::kSQLite);
    test::insertSeries(*db, table, 500, "i");
    statement = db->AllocStatement();
    ASSERT_TRUE(db->Execute("SELECT id FROM " + table + " ORDER BY id", {}, statement.handle()));
  }

  std::unique_ptr<TOdbc> db;
  std::string table;
  OdbcStatement statement;
};

TEST_F(RowReadAheadTest, HandsOverEveryRowInOrderThenTheEnd) {
  RowReadAhead ahead(db->hDbc(), statement.handle(), {{SQL_C_CHAR, 12}}, 1);
  EXPECT_EQ(ahead.slotCount(), 2u);
  for (int id = 1; id <= 500; ++id) {
    const FetchedRow& row = ahead.next();
    ASSERT_EQ(row.fetchRc, SQL_SUCCESS);
    ASSERT_EQ(row.columns.size(), 1u);
    EXPECT_EQ(row.columns[0].bytes, std::to_string(id));
    EXPECT_FALSE(row.last);
  }
  const FetchedRow& end = ahead.next();
  EXPECT_EQ(end.fetchRc, SQL_NO_DATA);
  EXPECT_TRUE(end.columns.empty());
  EXPECT_TRUE(end.last);
}

// Every row is cut by its buffer (SQL_SUCCESS_WITH_INFO); a column read whole gets the rest read
// on, one longer than the ring keeps waits until its row is done with. None of it ends the rows.
TEST_F(RowReadAheadTest, WarningsTravelWithTheirRowsAndLongValuesAreReadOn) {
  statement = db->AllocStatement();
  ASSERT_TRUE(db->Execute(
      "SELECT id, printf('%.*c', CASE WHEN id % 100 = 0 THEN 5000 ELSE id END, 'v') FROM " + table +
          " ORDER BY id",
      {}, statement.handle()));
  RowReadAhead ahead(db->hDbc(), statement.handle(), {{SQL_C_CHAR, 2}, {SQL_C_CHAR, 4, true}}, 1);
  for (int id = 1; id <= 500; ++id) {
    const FetchedRow& row = ahead.next();
    ASSERT_FALSE(row.last) << id;
    ASSERT_EQ(row.columns.size(), 2u);
    EXPECT_EQ(row.columns[0].rc, id < 10 ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(row.columns[0].bytes, std::to_string(id).substr(0, 1));
    const size_t length = id % 100 == 0 ? 5000 : static_cast<size_t>(id);
    if (length > 3) {
      EXPECT_EQ(row.rests[1].whole, std::string(length, 'v')) << id;
      EXPECT_EQ(row.rests[1].last.rc, SQL_SUCCESS);
    } else {
      EXPECT_EQ(row.columns[1].bytes, std::string(length, 'v'));
    }
  }
  EXPECT_TRUE(ahead.next().last);
}

TEST_F(RowReadAheadTest, StopsWhileWaitingForAFreeSlot) {
  {
    RowReadAhead ahead(db->hDbc(), statement.handle(), {{SQL_C_CHAR, 12}}, 1);
    EXPECT_EQ(ahead.next().columns[0].bytes, "1");
  }
  // The statement is the caller's again: the reading went no further than the two slots.
  ASSERT_TRUE(db->Fetch(statement.handle()));
  const Value id = db->GetValue(1, statement.handle(), db->CursorFields(statement.handle()));
  EXPECT_LE(id.number().value, 4);
}

// What the caller sees of a row: its codes, each value's code, length, NULL flag and bytes, and
// what reading on gave for a value read whole that its buffer cut.
std::string seen(const FetchedRow& row, const std::vector<RowReadAhead::Column>& columns) {
  std::string text = std::to_string(row.fetchRc) + (row.last ? " last" : "");
  for (size_t i = 0; i < row.columns.size(); ++i) {
    const ColumnRead& read = row.columns[i];
    text += " | " + std::to_string(read.rc) + (read.isNull ? " null " : " ") +
            std::to_string(read.total) + " [" + std::string(read.bytes) + "]";
    if (columns[i].readsWhole && read.cut(columns[i].bufferLength)) {
      const ValueRest& rest = row.rests[i];
      text += " rest " + std::to_string(rest.last.rc) + " " + std::to_string(rest.last.total) +
              " [" + rest.whole + "]";
    }
  }
  return text;
}

class BlockFetch : public ::testing::TestWithParam<test::DataSource> {
 protected:
  void SetUp() override {
    table = test::testTable("block");
    const bool pg = GetParam().postgres;
    test::recreateTable(GetParam(), table,
                        "id integer, name varchar(" + std::string(pg ? "300" : "10") +
                            "), amount numeric(10,2), day date, note " +
                            std::string(pg ? "text" : "varchar(200)"));
    db = test::connectTo(GetParam());
    // NULLs in every column but the key; names of 300 two-byte characters (longer than the
    // column's width on SQLite, cut inside a character on PostgreSQL), with 0x1A and (where the
    // source keeps it) NUL; a note of 5,000 characters now and then.
    const std::string day =
        pg ? "date '2005-01-01' + i" : "date('2005-01-01', '+' || i || ' days')";
    const std::string repeat = pg ? "repeat('\xc3\xa9', 300)" : "printf('%.*c', 300, 'x')";
    const std::string odd = pg ? "'a' || chr(26) || 'b'" : "'a' || char(26) || char(0) || 'b'";
    const std::string note = pg ? "repeat('n', 5000)" : "printf('%.*c', 5000, 'n')";
    test::insertSeries(*db, table, 1000,
                       "i, CASE WHEN i % 11 = 0 THEN NULL WHEN i % 50 = 3 THEN " + repeat +
                           " WHEN i % 50 = 7 THEN " + odd +
                           " ELSE 'n' || i END,"
                           " CASE WHEN i % 13 = 0 THEN NULL ELSE i * 1.25 END,"
                           " CASE WHEN i % 19 = 0 THEN NULL ELSE " +
                           day +
                           " END,"
                           " CASE WHEN i % 17 = 0 THEN NULL WHEN i % 100 = 42 THEN " +
                           note + " ELSE 'note ' || i END");
    if (!pg) {
      // SQLite takes the UTF-8 from the text of a statement as it stands.
      test::run(*db, "UPDATE " + table + " SET name = replace(name, 'x', '\xc3\xa9')");
    }
  }

  // Every row of `sql` as the caller sees it, after `fetchedBefore` rows fetched by the caller,
  // and the driver's words when the reading ended in a failure; `blocks` (unless null) receives
  // the rows of a block, 0 when fetched one by one.
  std::vector<std::string> readAll(const std::string& sql, bool inBlocks, bool readAllWhole,
                                   size_t* blocks = nullptr, int fetchedBefore = 0) {
    OdbcStatement statement = db->AllocStatement();
    EXPECT_TRUE(db->Execute(sql, {}, statement.handle()));
    for (int i = 0; i < fetchedBefore; ++i)
      EXPECT_EQ(SQLFETCH(statement.handle()), SQL_SUCCESS);
    std::vector<RowReadAhead::Column> columns;
    for (const ColumnDescription& field : db->CursorFields(statement.handle()))
      columns.push_back({field.cType, field.fetchLength(), readAllWhole || field.readsWhole()});
    std::vector<std::string> rows;
    RowReadAhead ahead(inBlocks ? db->hDbc() : SQL_NULL_HDBC, statement.handle(), columns);
    if (blocks != nullptr) *blocks = ahead.blockRows();
    for (;;) {
      const FetchedRow& row = ahead.next();
      rows.push_back(seen(row, columns));
      if (!row.last) continue;
      if (row.fetchRc != SQL_NO_DATA) rows.push_back(SQLGETDIAGREC(statement.handle()));
      break;
    }
    return rows;
  }

  std::unique_ptr<TOdbc> db;
  std::string table;
};

// Blocks of 10 rows on PostgreSQL, where a row of a block can be made current to read a cut
// value whole; of one row on SQLite, which cannot do that but still saves a call per value.
// The rows, values, cuts, values read whole and failures are those of fetching each row: with
// the columns as described and with every column read whole; a result failing at row 500 (on
// PostgreSQL after the rows of the server batches before it, of 100 or of 30 rows); an empty
// one.
TEST_P(BlockFetch, GivesTheRowsOfFetchingEachRow) {
  const bool pg = GetParam().postgres;
  const std::string failing =
      pg ? "1 / (id - 500)" : "CASE WHEN id = 500 THEN abs(-9223372036854775807 - 1) ELSE id END";
  const std::string all = "SELECT id, name, amount, day, note FROM " + table + " ORDER BY id";
  for (bool readAllWhole : {false, true}) {
    SCOPED_TRACE(readAllWhole ? "all read whole" : "as described");
    size_t blocks = 0;
    const std::vector<std::string> rows = readAll(all, true, readAllWhole, &blocks);
    EXPECT_EQ(blocks, pg ? 10u : 1u);
    ASSERT_EQ(rows.size(), 1001u);
    EXPECT_EQ(rows, readAll(all, false, readAllWhole));
  }
  // The 600 bytes of row 3's name come cut, or whole where read whole.
  std::string name;
  for (int i = 0; i < 300; ++i)
    name += "\xc3\xa9";
  EXPECT_NE(readAll(all, true, false)[2].find("| 1 600 ["), std::string::npos);
  EXPECT_NE(readAll(all, true, true)[2].find(" [" + name + "]"), std::string::npos);

  // In the order of the rows, so that the failure comes at row 500 rather than before the sort.
  const std::string failed = "SELECT id, name, " + failing + " FROM " + table;
  const std::vector<std::string> beforeFailure = readAll(failed, true, false);
  EXPECT_EQ(beforeFailure, readAll(failed, false, false));
  ASSERT_GE(beforeFailure.size(), 2u);
  EXPECT_NE(beforeFailure.back(), "");
  EXPECT_EQ(beforeFailure.size(), GetParam().dsn == std::string("TestPgFetch30") ? 482u
                                  : pg                                           ? 402u
                                                                                 : 501u);
  // The same after rows the caller fetched itself: the blocks still lie within the server's
  // batches.
  for (int fetchedBefore : {1, 7}) {
    EXPECT_EQ(readAll(failed, true, false, nullptr, fetchedBefore),
              readAll(failed, false, false, nullptr, fetchedBefore))
        << fetchedBefore;
  }

  const std::vector<std::string> none =
      readAll("SELECT id, name FROM " + table + " WHERE id < 0", true, false);
  EXPECT_EQ(none, std::vector<std::string>{"100 last"});
}

INSTANTIATE_TEST_SUITE_P(Sources, BlockFetch,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode,
                                           test::kPgFetch30),
                         test::sourceName);

}  // namespace
}  // namespace tabulink
