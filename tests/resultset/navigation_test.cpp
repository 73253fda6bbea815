// Moving through a result set: rows fetched only as far as a move needs, never a position past
// the held rows, and the ends of the result as the export loop sees them.

#include <gtest/gtest.h>

#include "resultset_fixture.h"

namespace tabulink {
namespace {

using test::ResultSetOnSource;

class Navigation : public ResultSetOnSource {
 protected:
  void SetUp() override {
    ResultSetOnSource::SetUp();
    db = test::connectTo(GetParam());
    table = test::testTable("nav");
    test::recreateTable(GetParam(), table, "id integer");
  }
  // Fills the table with the rows 1..count.
  void rows(int count) {
    for (int id = 1; id <= count; ++id)
      test::run(*db, "INSERT INTO " + table + " VALUES (" + std::to_string(id) + ")");
  }
  std::unique_ptr<TDbOdbcDirect> open() {
    auto rs = db->Query("SELECT id FROM " + table + " ORDER BY id");
    EXPECT_TRUE(rs->Open());
    return rs;
  }
  long held(const TDbOdbcDirect& rs) { return cacheOf(rs).recCount(); }
  double id(TDbOdbcDirect& rs) { return rs.FieldGet(1).number().value; }

  std::unique_ptr<TOdbc> db;
  std::string table;
};

TEST_P(Navigation, EmptyResult) {
  auto rs = open();
  EXPECT_TRUE(rs->IsComplete());
  EXPECT_EQ(rs->RecCount(), 0);
  EXPECT_FALSE(rs->Eof());
  EXPECT_TRUE(rs->Bof());
  EXPECT_EQ(rs->Recno(), 1);
  rs->Skip();
  rs->GoBottom();
  EXPECT_EQ(rs->Recno(), 1);
  EXPECT_TRUE(rs->FieldGet(1).isNumber() || rs->FieldGet(1).isAbsent());
}

TEST_P(Navigation, OneRow) {
  rows(1);
  auto rs = open();
  EXPECT_EQ(held(*rs), 1);
  EXPECT_FALSE(rs->IsComplete());
  EXPECT_FALSE(rs->Eof());  // the data source has not said yet that no row follows
  EXPECT_EQ(rs->RecCount(), 1);
  EXPECT_TRUE(rs->IsComplete());
  EXPECT_TRUE(rs->Eof());
  EXPECT_FALSE(rs->Bof());
  rs->Skip();
  EXPECT_EQ(rs->Recno(), 1);
  EXPECT_EQ(id(*rs), 1);
}

TEST_P(Navigation, MovesFetchOnlyWhatTheyNeed) {
  rows(70);
  auto rs = open();
  EXPECT_EQ(held(*rs), 1);
  rs->Goto(40);
  EXPECT_EQ(held(*rs), 40);
  EXPECT_EQ(rs->Recno(), 40);
  EXPECT_EQ(id(*rs), 40);
  rs->Skip(5);
  EXPECT_EQ(held(*rs), 45);
  EXPECT_EQ(id(*rs), 45);
  rs->Skip(-3);
  EXPECT_EQ(held(*rs), 45);
  EXPECT_EQ(id(*rs), 42);

  // Past the end: the rest is fetched, the result completes, and the position is the last row.
  rs->Goto(100);
  EXPECT_TRUE(rs->IsComplete());
  EXPECT_EQ(rs->Recno(), 70);
  EXPECT_EQ(id(*rs), 70);
  EXPECT_TRUE(rs->Eof());
}

TEST_P(Navigation, RecCountCompletesAndKeepsThePosition) {
  rows(70);
  auto rs = open();
  rs->Skip(4);
  EXPECT_EQ(rs->Recno(), 5);
  EXPECT_EQ(rs->RecCount(), 70);
  EXPECT_TRUE(rs->IsComplete());
  EXPECT_EQ(rs->Recno(), 5);
  EXPECT_EQ(id(*rs), 5);
  EXPECT_FALSE(rs->Eof());
}

TEST_P(Navigation, SkipNeverLeavesTheHeldRows) {
  rows(3);
  auto rs = open();
  rs->GoBottom();
  EXPECT_EQ(rs->Recno(), 3);
  rs->Skip();
  EXPECT_EQ(rs->Recno(), 3);
  EXPECT_TRUE(rs->Eof());
  rs->Skip(-5);
  EXPECT_EQ(rs->Recno(), 1);
  EXPECT_FALSE(rs->Bof());
  rs->Skip(10);
  EXPECT_EQ(rs->Recno(), 3);
  rs->GoTop();
  EXPECT_EQ(id(*rs), 1);
}

TEST_P(Navigation, TheExportLoopSeesEveryRowOnce) {
  rows(25);
  auto rs = open();
  ASSERT_EQ(rs->RecCount(), 25);
  rs->GoTop();
  std::vector<int> seen;
  for (;;) {
    seen.push_back(static_cast<int>(id(*rs)));
    if (rs->Eof()) break;
    rs->Skip();
  }
  ASSERT_EQ(seen.size(), 25u);
  for (int i = 0; i < 25; ++i)
    EXPECT_EQ(seen[static_cast<size_t>(i)], i + 1);
}

TEST_P(Navigation, FillKeepsTheCurrentWorkAreaItFound) {
  rows(5);
  auto first = open();
  auto second = open();
  EXPECT_EQ(WorkAreas::instance().current(), second->nWorkArea());
  first->GoBottom();
  EXPECT_EQ(WorkAreas::instance().current(), second->nWorkArea());
  EXPECT_EQ(first->RecCount(), 5);
  EXPECT_EQ(second->RecCount(), 5);
}

INSTANTIATE_TEST_SUITE_P(Sources, Navigation, ::testing::Values(test::kSQLite, test::kPgAnsi),
                         test::sourceName);

}  // namespace
}  // namespace tabulink
