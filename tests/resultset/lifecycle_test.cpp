// A result set's life around its cache files and its statement: names, exclusive creation,
// End; the statement text and its keys; values too wide for the cache; the alert without a table.

#include <gtest/gtest.h>

#include <regex>

#include "core/text.h"
#include "resultset_fixture.h"

namespace tabulink {
namespace {

using test::ResultSetOnSource;
using test::ResultSetTest;

class Lifecycle : public ResultSetOnSource {
 protected:
  void SetUp() override {
    ResultSetOnSource::SetUp();
    db = test::connectTo(GetParam());
    table = test::testTable("life");
  }
  std::unique_ptr<TOdbc> db;
  std::string table;
};

TEST_P(Lifecycle, ValueTooWideForItsFieldIsReportedAndStoredAsZero) {
  test::recreateTable(GetParam(), table, "id integer, d numeric(30,2)");
  test::run(*db, "INSERT INTO " + table +
                     " VALUES (1, 100000000000000000), (2, 5), (3, -100000000000000000)");
  auto rs = db->Query("SELECT d FROM " + table + " ORDER BY id");
  ASSERT_TRUE(rs->Open());
  EXPECT_EQ(rs->RecCount(), 3);
  // PostgreSQL gives the number with its scale, read whole.
  const std::string wide = GetParam().postgres ? "100000000000000000.00" : "100000000000000000";
  ASSERT_EQ(fillMessages.size(), 2u);
  EXPECT_EQ(fillMessages[0], "Field 'd' row 1 value: " + wide + " Decimals: 2 - Data Width Error.");
  // A negative value whose sign and digits do not fit is treated alike, not left to fail.
  EXPECT_EQ(fillMessages[1],
            "Field 'd' row 3 value: -" + wide + " Decimals: 2 - Data Width Error.");
  rs->GoTop();
  EXPECT_EQ(rs->FieldGet(1).number().value, 0);
  rs->Skip();
  EXPECT_EQ(rs->FieldGet(1).number().value, 5);
  rs->Skip();
  EXPECT_EQ(rs->FieldGet(1).number().value, 0);
  EXPECT_TRUE(runErrors.empty()) << runErrors.front();
}

TEST_P(Lifecycle, EndRemovesTheTableAndMemoFilesOnce) {
  test::recreateTable(GetParam(), table, "id integer, note varchar(300)");
  test::run(*db, "INSERT INTO " + table + " VALUES (1, 'a')");
  auto rs = db->Query("SELECT * FROM " + table);
  ASSERT_TRUE(rs->Open());
  const std::string stem = std::filesystem::path(rs->cFileName).stem().string();
  EXPECT_EQ(stem.size(), 12u);
  EXPECT_EQ(rs->cAlias, stem);
  EXPECT_EQ(cacheFiles(), (std::vector<std::string>{stem + ".DBF", stem + ".dbt"}));
  rs->End();
  EXPECT_TRUE(cacheFiles().empty());
  EXPECT_EQ(rs->nWorkArea(), 0);
  EXPECT_TRUE(rs->IsComplete());
  rs->End();
  EXPECT_TRUE(cacheFiles().empty());
  EXPECT_FALSE(db->IsError());
}

TEST_P(Lifecycle, BareTableNameSelectsTheTableAndItsKeysAreFound) {
  test::recreateTable(GetParam(), table, "id integer primary key, name varchar(10)");
  test::run(*db, "INSERT INTO " + table + " VALUES (7, 'x')");
  auto rs = db->Query(table);
  EXPECT_EQ(rs->cSelect(), "SELECT * FROM " + table);
  ASSERT_TRUE(rs->Open());
  EXPECT_EQ(rs->FieldGet(1).number().value, 7);
  EXPECT_EQ(rs->PrimaryKeys(), std::vector<std::string>{"ID"});
  EXPECT_TRUE(ui->messages.empty());
  EXPECT_FALSE(db->IsError());
}

TEST_P(Lifecycle, StatementWithoutATableAlertsOnlyWhenItsKeysAreNeeded) {
  auto rs = db->Query("SELECT 1 AS \"Order Id\", 'x' AS two");
  EXPECT_TRUE(ui->messages.empty());
  ASSERT_TRUE(rs->Open());
  EXPECT_EQ(trim(CVALTOCHAR(rs->FieldGet(1))), "1");
  EXPECT_EQ(rs->RecCount(), 1);
  EXPECT_EQ(rs->FieldName(1), "[Order Id]");
  EXPECT_EQ(rs->FieldNames()[0], "Order Id");
  EXPECT_EQ(rs->FieldPos("order id"), 0);
  EXPECT_EQ(rs->FieldPos("order_id"), 1);
  EXPECT_EQ(rs->FieldPos("T"), 2);
  EXPECT_EQ(rs->FieldPos(""), 1);

  // An edit looks for the table's keys.
  EXPECT_TRUE(rs->PrimaryKeys().empty());
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].title, "Ostrel Alert message");
  EXPECT_TRUE(ui->messages[0].text.starts_with(
      "Table name not found on 'SELECT' statement\r\n\r\nOn Procedure: "))
      << ui->messages[0].text;
  EXPECT_EQ(ui->messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(rs->cLastError(), "Table name not found on 'SELECT' statement");
  rs->lShowAlerts = false;
  EXPECT_TRUE(rs->PrimaryKeys().empty());
  EXPECT_EQ(ui->messages.size(), 1u);

  // Keys given replace the search, which then asks neither the statement nor the catalog.
  rs->lShowAlerts = true;
  EXPECT_EQ(rs->PrimaryKeys(std::vector<std::string>{"ID"}), std::vector<std::string>{"ID"});
  EXPECT_EQ(rs->PrimaryKeys(), std::vector<std::string>{"ID"});
  EXPECT_EQ(ui->messages.size(), 1u);
  EXPECT_FALSE(db->IsError());
}

TEST_P(Lifecycle, FailedStatementLeavesItsErrorAndNoRows) {
  auto rs = db->Query("SELECT * FROM " + table + "_missing");
  ASSERT_TRUE(db->IsError());
  EXPECT_EQ(db->aErrors().front().operation, "TDbOdbcDirect:New()");
  // No columns: no cache table, rather than a table without fields.
  EXPECT_FALSE(rs->Open());
  EXPECT_EQ(rs->FCount(), 0);
  EXPECT_EQ(rs->RecCount(), 0);
  EXPECT_TRUE(rs->IsComplete());
  EXPECT_TRUE(runErrors.empty()) << runErrors.front();
}

INSTANTIATE_TEST_SUITE_P(Sources, Lifecycle,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode),
                         test::sourceName);

// The cache-file names and the timer fill need one data source only.
class CacheFiles : public ResultSetTest {
 protected:
  void SetUp() override {
    ResultSetTest::SetUp();
    db = test::connectTo(test::kSQLite);
    table = test::testTable("files");
    test::recreateTable(test::kSQLite, table, "id integer, note varchar(300)");
    test::run(*db, "INSERT INTO " + table + " VALUES (1, 'a'), (2, 'b'), (3, 'c')");
  }
  std::unique_ptr<TDbOdbcDirect> open() {
    auto rs = db->Query("SELECT * FROM " + table + " ORDER BY id");
    EXPECT_TRUE(rs->Open());
    return rs;
  }
  std::unique_ptr<TOdbc> db;
  std::string table;
};

TEST_F(CacheFiles, TwoResultSetsOpenedInOneSecondGetDifferentFiles) {
  auto first = open();
  auto second = open();
  EXPECT_NE(first->cFileName, second->cFileName);
  EXPECT_NE(first->nWorkArea(), second->nWorkArea());
  EXPECT_EQ(cacheFiles().size(), 4u);
  EXPECT_EQ(first->RecCount(), 3);
  EXPECT_EQ(second->RecCount(), 3);
  first->End();
  EXPECT_EQ(cacheFiles().size(), 2u);
}

TEST_F(CacheFiles, TheTemporaryDirectoryComesFromTheEnvironment) {
  {
    test::ScopedEnv noTemp("TEMP", "");
    test::ScopedEnv tmp("TMP", temp.path().string() + "/");
    EXPECT_EQ(cacheDirectory(), temp.path().string() + "/");
    EXPECT_TRUE(CTEMPFILE(cacheDirectory(), "DBF").starts_with(temp.path().string() + "/__"));
  }
  test::ScopedEnv noTemp("TEMP", std::nullopt);
  test::ScopedEnv noTmp("TMP", std::nullopt);
  {
    test::ScopedEnv tmpdir("TMPDIR", "/var/tmp");
    EXPECT_EQ(cacheDirectory(), "/var/tmp");
  }
  test::ScopedEnv noTmpdir("TMPDIR", std::nullopt);
  EXPECT_EQ(cacheDirectory(), "/tmp");
  // Nobody can take the next name first: it is not to be guessed.
  std::string name = CTEMPFILE("", "DBF");
  EXPECT_TRUE(std::regex_match(name, std::regex("__[A-Z0-9]{10}\\.DBF"))) << name;
  EXPECT_NE(CTEMPFILE("", "DBF"), name);
}

TEST_F(CacheFiles, PendingMessagesRunBeforeEveryFetch) {
  auto rs = open();
  EXPECT_EQ(ui->pendingMessageRuns, 1);
  EXPECT_EQ(rs->RecCount(), 3);
  // Rows 2 and 3, and the fetch that finds the end.
  EXPECT_EQ(ui->pendingMessageRuns, 4);
  rs->GoBottom();
  EXPECT_EQ(ui->pendingMessageRuns, 4);
}

TEST_F(CacheFiles, TimerFillReportsEachTickThenTheEnd) {
  auto rs = open();
  std::vector<long> calls;
  rs->AutoFill(1, 5, [&](long row, TDbOdbcDirect&) { calls.push_back(row); });
  EXPECT_EQ(ui->activeTimers(), 1u);
  for (int tick = 0; tick < 3; ++tick) {
    ui->tickTimers();
    EXPECT_EQ(rs->Recno(), 1);
  }
  // One tick fetches the small result to its end and reports the last row appended; the next
  // one reports the end.
  EXPECT_EQ(calls, (std::vector<long>{3, 0}));
  EXPECT_EQ(ui->activeTimers(), 0u);
  EXPECT_TRUE(rs->IsComplete());
}

TEST_F(CacheFiles, RecCountOrEndDuringATimerFillEndsItSilently) {
  auto rs = open();
  std::vector<long> calls;
  rs->AutoFill(1, 5, [&](long row, TDbOdbcDirect&) { calls.push_back(row); });
  EXPECT_EQ(rs->RecCount(), 3);
  EXPECT_EQ(ui->activeTimers(), 0u);
  ui->tickTimers();
  EXPECT_TRUE(calls.empty());

  // Without a window the fill stops, or nothing happens when none runs.
  rs->AutoFill(0);
  EXPECT_EQ(ui->activeTimers(), 0u);
  rs->End();

  auto other = open();
  other->AutoFill(1, 5, [&](long row, TDbOdbcDirect& self) {
    if (row > 0) self.End();
  });
  ui->tickTimers();
  EXPECT_EQ(ui->activeTimers(), 0u);
  EXPECT_TRUE(cacheFiles().empty());
}

TEST(ResultSetWithoutSession, IsUnusableAndHarmless) {
  TDbOdbcDirect rs("SELECT 1", nullptr);
  EXPECT_FALSE(rs.Open());
  EXPECT_EQ(rs.FCount(), 0);
  EXPECT_EQ(rs.RecCount(), 0);
  EXPECT_TRUE(rs.IsComplete());
  EXPECT_TRUE(rs.FieldGet(1).isAbsent());
  rs.Skip();
  rs.End();
}

TEST(Chksp, BracketsNamesHoldingABlank) {
  EXPECT_EQ(CHKSP("Order Id"), "[Order Id]");
  EXPECT_EQ(CHKSP(" name "), " name ");
  EXPECT_EQ(CHKSP("name"), "name");
}

}  // namespace
}  // namespace tabulink
