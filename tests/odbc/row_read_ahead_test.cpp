// The read-ahead ring at its smallest (two slots): rows handed over in order whichever thread
// waits, warnings and values read on that travel with their rows, the end of the rows, and a stop
// while the reading thread waits for a free slot.

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
  RowReadAhead ahead(statement.handle(), {{SQL_C_CHAR, 12}}, 1);
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
  RowReadAhead ahead(statement.handle(), {{SQL_C_CHAR, 2}, {SQL_C_CHAR, 4, true}}, 1);
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
    RowReadAhead ahead(statement.handle(), {{SQL_C_CHAR, 12}}, 1);
    EXPECT_EQ(ahead.next().columns[0].bytes, "1");
  }
  // The statement is the caller's again: the reading went no further than the two slots.
  ASSERT_TRUE(db->Fetch(statement.handle()));
  const Value id = db->GetValue(1, statement.handle(), db->CursorFields(statement.handle()));
  EXPECT_LE(id.number().value, 4);
}

}  // namespace
}  // namespace tabulink
