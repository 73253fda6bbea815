// Reading a result ahead on a second thread: the same rows, values, reports and errors as reading
// each row when it is needed, whatever warnings the rows bring and however reading ends (the last
// row, a failed fetch, End).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "core/text.h"
#include "core/value.h"
#include "resultset_fixture.h"
#include "table/dbf_table.h"
#include "table/memo_file.h"

namespace tabulink {
namespace {

using test::DataSource;
using test::ResultSetOnSource;
using test::ResultSetTest;

// Every row of a result as `rowText` makes it, from the first row to the last.
template <typename RowText>
std::vector<std::string> eachRow(TDbOdbcDirect& rs, RowText rowText) {
  std::vector<std::string> rows;
  if (rs.Bof()) return rows;
  for (;;) {
    rows.push_back(rowText());
    const long current = rs.Recno();
    rs.Skip();
    if (rs.Recno() == current) break;
  }
  return rows;
}

// Every row of a result as text: the values of each column (through CVALTOCHAR), "<null>" for
// NULL.
std::vector<std::string> allRows(TDbOdbcDirect& rs) {
  return eachRow(rs, [&] {
    std::string row;
    for (int n = 1; n <= rs.FCount(); ++n)
      row += (rs.FieldIsNull(n) ? std::string("<null>") : CVALTOCHAR(rs.FieldGet(n))) + "|";
    return row;
  });
}

// Every row as the cache table holds it: the bytes of each column's field.
std::vector<std::string> allRecords(TDbOdbcDirect& rs) {
  return eachRow(rs, [&] {
    std::string record;
    const CachedRow row = rs.CurrentRow();
    for (size_t i = 0; i < static_cast<size_t>(rs.FCount()); ++i)
      record.append(row.bytes(i)).append(row.isNull(i) ? "|null|" : "|");
    return record;
  });
}

class ReadAhead : public ResultSetOnSource {
 protected:
  void SetUp() override {
    ResultSetOnSource::SetUp();
    table = test::testTable("ahead");
    test::recreateTable(GetParam(), table,
                        "id integer, name varchar(20), amount numeric(10,2), day date, "
                        "note varchar(300)");
    db = test::connectTo(GetParam());
  }
  // Rows 1..count with NULLs in every nullable column now and then.
  void rows(int count) {
    const std::string day =
        GetParam().postgres ? "date '2005-01-01' + i" : "date('2005-01-01', '+' || i || ' days')";
    test::insertSeries(*db, table, count,
                       "i, CASE WHEN i % 7 = 0 THEN NULL ELSE 'name ' || i END,"
                       " CASE WHEN i % 5 = 0 THEN NULL ELSE i * 1.25 END,"
                       " CASE WHEN i % 3 = 0 THEN NULL ELSE " +
                           day +
                           " END,"
                           " CASE WHEN i % 4 = 0 THEN NULL ELSE 'note ' || i END");
  }
  std::vector<std::string> read(const std::string& sql, bool ahead) {
    auto rs = db->Query(sql);
    EXPECT_TRUE(rs->Open());
    if (ahead) rs->ReadAhead();
    return allRows(*rs);
  }
  // Everything a read leaves behind: the rows, then each report and each error entry.
  std::vector<std::string> readWhole(const std::string& sql, bool ahead) {
    fillMessages.clear();
    const size_t errorsBefore = db->aErrors().size();
    std::vector<std::string> seen = read(sql, ahead);
    seen.insert(seen.end(), fillMessages.begin(), fillMessages.end());
    for (size_t i = errorsBefore; i < db->aErrors().size(); ++i) {
      const ErrorEntry& entry = db->aErrors()[i];
      seen.push_back("error " + entry.operation + " / " + entry.location + " / " + entry.message +
                     " / " + std::to_string(entry.code));
    }
    return seen;
  }

  std::unique_ptr<TOdbc> db;
  std::string table;
};

// More rows than the ring holds, so both threads wait for each other now and then.
TEST_P(ReadAhead, GivesTheRowsOfAReadAsNeeded) {
  rows(3000);
  const std::string sql = "SELECT id, name, amount, day, note FROM " + table + " ORDER BY id";
  std::vector<std::string> ahead = read(sql, true);
  EXPECT_EQ(ahead.size(), 3000u);
  EXPECT_EQ(ahead, read(sql, false));
  EXPECT_FALSE(db->IsError());
  EXPECT_TRUE(fillMessages.empty());
}

// The read-ahead stores most values straight from the bytes read, a read as needed through their
// values: the cache records come out the same, byte for byte, NULLs, rounded numbers and
// timestamps read as text included.
TEST_P(ReadAhead, StoresTheCacheRecordsOfAReadAsNeeded) {
  rows(3000);
  const bool pg = GetParam().postgres;
  test::run(*db, "ALTER TABLE " + table + " ADD COLUMN stamp timestamp");
  test::run(*db, "ALTER TABLE " + table + " ADD COLUMN ratio double precision");
  test::run(*db, "UPDATE " + table + " SET stamp = " +
                     (pg ? "timestamp '2005-01-01 00:00:00' + id * interval '13.25 second'"
                         : "datetime('2005-01-01 00:00:00', '+' || (id * 13) || ' seconds')") +
                     ", ratio = CASE WHEN id % 9 = 0 THEN NULL ELSE (id - 1500) / 7.0 END"
                     " WHERE id % 6 <> 0");
  const std::string sql =
      "SELECT id, name, amount, day, note, stamp, ratio, id * 0.125 FROM " + table + " ORDER BY id";
  for (bool datesAsText : {false, true}) {
    auto records = [&](bool ahead) {
      auto rs = db->Query(sql);
      rs->lDateAsStr = datesAsText;
      EXPECT_TRUE(rs->Open());
      if (ahead) rs->ReadAhead();
      return allRecords(*rs);
    };
    const std::vector<std::string> plain = records(false);
    EXPECT_EQ(plain.size(), 3000u);
    EXPECT_EQ(records(true), plain) << "dates as text: " << datesAsText;
  }
  EXPECT_FALSE(db->IsError());
}

// Every row brings warnings: a number longer than its first read (read on by the reading thread;
// on PostgreSQL reported when its decimals do not end in zeros where its field's end) and, on
// SQLite, a text longer than its field and a number column's text that is no number. Then
// the same rows with a failure after 1,500 of them, right after a row full of warnings.
TEST_P(ReadAhead, WarningsOnEveryRowAndAFailureGiveWhatAReadAsNeededGives) {
  rows(3000);
  const bool pg = GetParam().postgres;
  if (!pg) {
    test::run(*db, "ALTER TABLE " + table + " ADD COLUMN code varchar(5)");
    test::run(*db, "ALTER TABLE " + table + " ADD COLUMN qty integer");
    // SQLite keeps whatever it is given; a text that is no number stays text in an integer column.
    test::run(*db,
              "UPDATE " + table +
                  " SET code = 'longer than five ' || id, qty = printf('%.*c', 70, '7') || 'x'");
  }
  const std::string warned = pg ? "round(id / 7.0, 70), name" : "code, qty";
  const std::string failing =
      pg ? "1 / (id - 1501)" : "CASE WHEN id = 1501 THEN abs(-9223372036854775807 - 1) ELSE id END";
  for (const std::string& last : {std::string("id"), failing}) {
    SCOPED_TRACE(last);
    const std::string sql = "SELECT id, " + warned + ", amount, " + last + " FROM " + table;
    const std::vector<std::string> plain = readWhole(sql, false);
    const std::vector<std::string> ahead = readWhole(sql, true);
    EXPECT_EQ(ahead, plain);
    if (last == "id") {
      // Three thousand rows; on PostgreSQL a report for each id not a multiple of 7, on SQLite
      // two for each row.
      EXPECT_EQ(plain.size(), pg ? 3000u + 2572u : 9000u);
      EXPECT_FALSE(db->IsError());
    } else {
      // The rows before the failing one (on PostgreSQL those of the batches fetched before it),
      // and one entry with the driver's words.
      ASSERT_FALSE(plain.empty());
      EXPECT_EQ(plain.back().rfind("error TOdbc:Fetch()", 0), 0u) << plain.back();
      EXPECT_GE(
          std::count_if(plain.begin(), plain.end(),
                        [](const std::string& row) { return row.find('|') != std::string::npos; }),
          1000);
    }
  }
}

// Bytes the file system holds for a file, and its length.
struct Space {
  long long held = 0;
  long long length = 0;
};
Space spaceOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return {};
  return {static_cast<long long>(status.st_blocks) * 512, static_cast<long long>(status.st_size)};
}

// Rows read ahead are read once, in order: the cache gives the rows passed (and their memos) up as
// the reading goes on, before they leave the write-behind buffer, so a long export's cache never
// reaches the disk: its files hold their headers, where the rows' memos alone took 3 MB.
TEST_P(ReadAhead, GivesTheCacheSpaceOfTheRowsPassedBack) {
  rows(6000);
  test::run(*db, "UPDATE " + table + " SET note = " +
                     (GetParam().postgres ? "repeat('n', 280)" : "printf('%.*c', 280, 'n')"));
  auto rs = db->Query("SELECT id, name, note FROM " + table + " ORDER BY id");
  ASSERT_TRUE(rs->Open());
  const std::string cachePath = DbfTable::tablePath(rs->cFileName);
  rs->ReadAhead();
  const std::vector<std::string> rows = allRows(*rs);
  ASSERT_EQ(rows.size(), 6000u);
  EXPECT_EQ(rows.back(), "6000|" + padRight("name 6000", 20) + "|" + std::string(280, 'n') + "|");
  for (const std::string& path : {cachePath, MemoFile::pathFor(cachePath)}) {
    const Space space = spaceOf(path);
    EXPECT_GT(space.length, 0) << path;
    EXPECT_LE(space.held, 16 * 1024) << path;
  }
}

// Memos around the first read's size and the cap come whole (or cut at the cap, reported),
// whether the reading thread or the session reads them on.
TEST_P(ReadAhead, MemosOfEveryLengthComeWhole) {
  table = test::testTable("memos");
  test::recreateTable(GetParam(), table, "id integer, memo text");
  const std::vector<int> lengths = {1, 4095, 4096, 4097, 10000, 131072, 131073, 200000};
  for (size_t i = 0; i < lengths.size(); ++i) {
    const std::string n = std::to_string(lengths[i]);
    const std::string value = GetParam().postgres
                                  ? "substr(repeat('abcdefgh', " + n + " / 8 + 1), 1, " + n + ")"
                                  : "printf('%.*c', " + n + ", 'm')";
    test::run(*db, "INSERT INTO " + table + " VALUES (" + std::to_string(i) + ", " + value + ")");
  }
  const std::string sql = "SELECT id, memo FROM " + table + " ORDER BY id";
  for (bool ahead : {false, true}) {
    SCOPED_TRACE(ahead ? "ahead" : "as needed");
    fillMessages.clear();
    auto rs = db->Query(sql);
    ASSERT_TRUE(rs->Open());
    if (ahead) rs->ReadAhead();
    for (size_t i = 0; i < lengths.size(); ++i) {
      const size_t expected = std::min<size_t>(static_cast<size_t>(lengths[i]), 131072);
      const Value memo = rs->FieldGet(2);
      ASSERT_TRUE(memo.isText()) << i;
      EXPECT_EQ(memo.text().size(), expected) << lengths[i];
      EXPECT_EQ(memo.text().find_first_not_of(GetParam().postgres ? "abcdefgh" : "m"),
                std::string::npos);
      rs->Skip();
    }
    // The two values over the cap are reported.
    EXPECT_EQ(fillMessages.size(), 2u);
  }
  EXPECT_FALSE(db->IsError());
}

TEST_P(ReadAhead, EndedHalfWayLeavesTheSessionUsable) {
  rows(3000);
  {
    auto rs = db->Query("SELECT id, name FROM " + table + " ORDER BY id");
    ASSERT_TRUE(rs->Open());
    rs->ReadAhead();
    rs->Skip(10);
    EXPECT_EQ(rs->FieldGet(1).number().value, 11);
    rs->End();
    EXPECT_TRUE(rs->IsComplete());
  }
  EXPECT_TRUE(cacheFiles().empty());
  EXPECT_EQ(trim(CVALTOCHAR(db->QueryData("SELECT count(*) FROM " + table))), "3000");
  EXPECT_FALSE(db->IsError());
}

TEST_P(ReadAhead, ResultsWithoutRowsOrWithOne) {
  EXPECT_TRUE(read("SELECT id, name FROM " + table, true).empty());
  rows(1);
  EXPECT_EQ(read("SELECT id, name FROM " + table, true),
            read("SELECT id, name FROM " + table, false));
}

INSTANTIATE_TEST_SUITE_P(Sources, ReadAhead,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode),
                         test::sourceName);

// SQLite keeps what it is given whatever the declared length, and fails a row at run time on an
// integer overflow: a warning and a failure in the middle of a result.
class ReadAheadOnSQLite : public ResultSetTest {
 protected:
  void SetUp() override {
    ResultSetTest::SetUp();
    table = test::testTable("ahead");
    test::recreateTable(test::kSQLite, table, "id integer, code varchar(5), qty integer");
    db = test::connectTo(test::kSQLite);
    test::insertSeries(*db, table, 2000, "i, 'c' || (i % 10), i");
  }
  std::unique_ptr<TOdbc> db;
  std::string table;
};

// A value cut at its field's width is reported; one read on past the buffer (a number longer than
// its first read, a memo over the cap) is read on by the reading thread. Either way the rows and
// the reports are those of reading each row when it is needed.
TEST_F(ReadAheadOnSQLite, CutAndLongValuesGiveTheSameRowsAndReports) {
  test::run(*db, "UPDATE " + table + " SET code = 'too long for five' WHERE id IN (700, 900)");
  test::run(*db, "ALTER TABLE " + table + " ADD COLUMN memo text");
  test::run(*db, "UPDATE " + table + " SET memo = printf('%.*c', 140000, 'm') WHERE id = 1200");
  // SQLite keeps a text that is no number as it is, even in an integer column.
  test::run(*db, "UPDATE " + table + " SET qty = printf('%.*c', 70, '9') || 'x' WHERE id = 1500");
  const std::string sql = "SELECT id, code, qty, memo FROM " + table + " ORDER BY id";
  auto ahead = db->Query(sql);
  ASSERT_TRUE(ahead->Open());
  ahead->ReadAhead();
  std::vector<std::string> rows = allRows(*ahead);
  const std::vector<std::string> aheadMessages = fillMessages;
  ASSERT_EQ(rows.size(), 2000u);
  EXPECT_EQ(rows[699].substr(0, 13), "700|too l|700");
  EXPECT_EQ(rows[1999].substr(0, 15), "2000|c0   |2000");
  fillMessages.clear();
  auto plain = db->Query(sql);
  ASSERT_TRUE(plain->Open());
  EXPECT_EQ(rows, allRows(*plain));
  EXPECT_EQ(aheadMessages, fillMessages);
  EXPECT_EQ(fillMessages.size(), 4u);
  EXPECT_FALSE(db->IsError());
}

TEST_F(ReadAheadOnSQLite, FailedFetchKeepsTheRowsBeforeAndRecordsTheDriversError) {
  const std::string sql =
      "SELECT id, CASE WHEN id = 1500 THEN abs(-9223372036854775807 - 1) "
      "ELSE qty END FROM " +
      table;
  auto plain = db->Query(sql);
  ASSERT_TRUE(plain->Open());
  const std::vector<std::string> expected = allRows(*plain);
  ASSERT_EQ(db->aErrors().size(), 1u);
  const std::string expectedError = db->aErrors().front().message;
  EXPECT_NE(expectedError.find("integer overflow"), std::string::npos) << expectedError;

  auto rs = db->Query(sql);
  ASSERT_TRUE(rs->Open());
  rs->ReadAhead();
  std::vector<std::string> rows = allRows(*rs);
  EXPECT_EQ(rows.size(), 1499u);
  EXPECT_EQ(rows, expected);
  ASSERT_EQ(db->aErrors().size(), 2u);
  EXPECT_EQ(db->aErrors().back().message, expectedError);
}

}  // namespace
}  // namespace tabulink
