// Row editing against the real drivers: the change reaches the data source (read back through a
// second connection), a row changed or deleted by someone else meanwhile is never overwritten,
// refusals without a key, the generated texts, and Refresh.

#include <gtest/gtest.h>

#include "core/text.h"
#include "resultset_fixture.h"

namespace tabulink {
namespace {

using test::ResultSetOnSource;
using test::ResultSetTest;

// The first column of the first row of `sql`, trimmed; "NULL" for a NULL.
std::string scalar(TOdbc& db, const std::string& sql) {
  TDbOdbcDirect rs(sql, &db);
  if (!rs.Open()) return "no row";
  Value value = rs.FieldGet(1);
  return value.isAbsent() ? "NULL" : std::string(trim(CVALTOCHAR(value)));
}

std::string text(const Value& value) {
  return std::string(trim(CVALTOCHAR(value)));
}

class RowEditing : public ResultSetOnSource {
 protected:
  void SetUp() override {
    ResultSetOnSource::SetUp();
    table = test::testTable("rows");
    test::recreateTable(GetParam(), table,
                        "id integer primary key, name varchar(60), qty integer, note varchar(20)");
    db = test::connectTo(GetParam());
    other = test::connectTo(GetParam());
    test::insertSeries(*other, table, 10, "i, 'name ' || i, i * 10, NULL");
    rs = std::make_unique<TDbOdbcDirect>(
        "SELECT id, name, qty, note FROM " + table + " ORDER BY id", db.get());
    ASSERT_TRUE(rs->Open());
  }
  std::string valueOf(const std::string& column, int id) {
    return scalar(*other,
                  "SELECT " + column + " FROM " + table + " WHERE id = " + std::to_string(id));
  }
  std::string lastAlert() const { return ui->messages.empty() ? "" : ui->messages.back().text; }

  std::string table;
  std::unique_ptr<TOdbc> db, other;
  std::unique_ptr<TDbOdbcDirect> rs;
};

TEST_P(RowEditing, UpdatesReachTheSourceAndNeverOverwriteAChangeMadeMeanwhile) {
  // The whole result held, so that SQLite lets the second connection write.
  EXPECT_EQ(rs->RecCount(), 10);
  // Edit a row and update: the data source holds the new values, NULL included.
  rs->Goto(5);
  ASSERT_TRUE(rs->FieldPut(2, Value("Smith")));
  EXPECT_EQ(rs->nEditRecord(), 5);
  EXPECT_TRUE(rs->FieldPut(4, Value()));
  EXPECT_TRUE(rs->Update());
  EXPECT_EQ(rs->nEditRecord(), 0);
  EXPECT_EQ(valueOf("name", 5), "Smith");
  EXPECT_EQ(valueOf("note", 5), "NULL");
  EXPECT_EQ(text(rs->Column("NAME")), "Smith");
  EXPECT_TRUE(rs->Column("NOTE").isAbsent());

  // A value that would end its literal is stored as written, and nothing else happens.
  const std::string hostile = "O'Brien'); DROP TABLE " + table + "; --";
  rs->Goto(1);
  ASSERT_TRUE(rs->SetColumn("name", Value(hostile)));
  EXPECT_TRUE(rs->Update());
  EXPECT_EQ(valueOf("name", 1), hostile);
  EXPECT_EQ(scalar(*other, "SELECT count(*) FROM " + table), "10");

  // A changed key: the row is read again by its key as written, and stays where it was.
  rs->Goto(2);
  ASSERT_TRUE(rs->FieldPut(1, Value::number(20)));
  EXPECT_TRUE(rs->Update());
  EXPECT_EQ(valueOf("name", 20), "name 2");
  EXPECT_EQ(rs->RecCount(), 10);
  EXPECT_EQ(rs->Recno(), 2);
  EXPECT_EQ(text(rs->FieldGet(1)), "20");
  EXPECT_EQ(text(rs->FieldGet(2)), "name 2");

  // Someone else changes column 3 between Edit and Update: refused, nothing sent.
  rs->Goto(3);
  ASSERT_TRUE(rs->Edit());
  rs->FieldPut(2, Value("mine"));
  test::run(*other, "UPDATE " + table + " SET qty = 99 WHERE id = 3");
  EXPECT_FALSE(rs->Update());
  EXPECT_EQ(lastAlert().substr(0, lastAlert().find("\r\n")),
            "Some record fields (3) have change since the last retrieve operation, Update "
            "aborted");
  EXPECT_EQ(valueOf("name", 3), "name 3");
  EXPECT_EQ(rs->nEditRecord(), 3);
  EXPECT_TRUE(rs->Cancel());

  // Someone else deletes the row: Update and Delete refuse.
  rs->Goto(4);
  rs->FieldPut(2, Value("gone"));
  test::run(*other, "DELETE FROM " + table + " WHERE id = 4");
  EXPECT_FALSE(rs->Update());
  EXPECT_TRUE(lastAlert().starts_with(
      "Record has been deleted since the last retrieve operation, Update aborted"));
  EXPECT_TRUE(rs->Cancel());
  EXPECT_FALSE(rs->Delete());
  EXPECT_TRUE(lastAlert().starts_with(
      "Record has been deleted since the last retrieve operation, Delete aborted"));

  // Delete goes on past a row changed meanwhile; the row that followed becomes current.
  rs->Goto(6);
  test::run(*other, "UPDATE " + table + " SET qty = 1 WHERE id = 6");
  EXPECT_TRUE(rs->Delete());
  EXPECT_EQ(valueOf("count(*)", 6), "0");
  EXPECT_EQ(rs->Recno(), 6);
  EXPECT_EQ(text(rs->FieldGet(1)), "7");
  EXPECT_EQ(rs->RecCount(), 9);  // row 4 is still held: its deletion was refused
  EXPECT_EQ(db->aErrors().size(), 0u);
}

TEST_P(RowEditing, AddNewInsertsAndAFailedStatementKeepsTheCacheConsistent) {
  ASSERT_TRUE(rs->AddNew());
  rs->FieldPut(1, Value::number(11));
  rs->FieldPut(2, Value("new"));
  EXPECT_TRUE(rs->Update());
  EXPECT_EQ(valueOf("name", 11), "new");

  // A duplicate key: the INSERT fails, its cache row goes, the error is on the session's list.
  const long held = rs->RecCount();
  ASSERT_TRUE(rs->AddNew());
  rs->FieldPut(1, Value::number(2));
  EXPECT_FALSE(rs->Update());
  EXPECT_EQ(rs->RecCount(), held);
  ASSERT_FALSE(db->aErrors().empty());
  EXPECT_EQ(db->aErrors().back().operation.substr(0, 22), "TDbOdbcDirect:Update()");

  // A failed UPDATE keeps the values put in the cache.
  rs->Goto(1);
  rs->FieldPut(1, Value::number(2));
  EXPECT_FALSE(rs->Update());
  EXPECT_EQ(text(rs->FieldGet(1)), "2");
  EXPECT_EQ(valueOf("name", 1), "name 1");

  // Delete of row 4 of 10 in a fresh result: 9 rows, the former row 5 current as row 4.
  TDbOdbcDirect fresh("SELECT * FROM " + table + " WHERE id <= 10 ORDER BY id", db.get());
  ASSERT_TRUE(fresh.Open());
  fresh.Goto(4);
  EXPECT_TRUE(fresh.Delete());
  EXPECT_EQ(fresh.Recno(), 4);
  EXPECT_EQ(text(fresh.FieldGet(1)), "5");
  EXPECT_EQ(fresh.RecCount(), 9);
}

// A key put before Delete: the row deleted is the one edited, found by its key as the data source
// holds it. A row added never stays in the cache without reaching the data source. A number on a
// rounding tie does not pass for changed meanwhile.
TEST_P(RowEditing, EditedKeysNewRowsAndRoundingTies) {
  EXPECT_EQ(rs->RecCount(), 10);
  rs->Goto(1);
  ASSERT_TRUE(rs->FieldPut(1, Value::number(3)));
  EXPECT_TRUE(rs->Delete());
  EXPECT_EQ(valueOf("count(*)", 1), "0");
  EXPECT_EQ(valueOf("count(*)", 3), "1");
  EXPECT_EQ(rs->nEditRecord(), 0);
  EXPECT_EQ(rs->RecCount(), 9);

  ASSERT_TRUE(rs->AddNew());
  EXPECT_TRUE(rs->Update());  // nothing put
  EXPECT_EQ(rs->RecCount(), 9);
  ASSERT_TRUE(rs->AddNew());
  rs->FieldPut(1, Value::number(12));
  EXPECT_TRUE(rs->Delete());
  EXPECT_EQ(rs->RecCount(), 9);
  EXPECT_EQ(rs->nEditRecord(), 0);
  EXPECT_EQ(valueOf("count(*)", 12), "0");

  rs->End();
  test::run(*other, "ALTER TABLE " + table + " ADD COLUMN price " +
                        (GetParam().postgres ? "double precision" : "real"));
  test::run(*other, "UPDATE " + table + " SET price = 2.675");
  TDbOdbcDirect priced("SELECT id, name, price FROM " + table + " ORDER BY id", db.get());
  ASSERT_TRUE(priced.Open());
  EXPECT_EQ(priced.RecCount(), 9);
  priced.Goto(2);
  ASSERT_TRUE(priced.FieldPut(2, Value("tie")));
  EXPECT_TRUE(priced.Update()) << lastAlert();
  EXPECT_EQ(valueOf("name", 3), "tie");  // ids 2 to 10 are left
  EXPECT_EQ(db->aErrors().size(), 0u);
}

TEST_P(RowEditing, RefreshShowsTheSourceAgainAndKeepsThePosition) {
  // Incomplete: as many rows as were held are read again. (The changes go through the result's
  // own connection: SQLite lets no other one write while the result is being read.)
  rs->Goto(3);
  test::run(*db, "UPDATE " + table + " SET name = 'changed' WHERE id = 2");
  rs->Refresh();
  EXPECT_EQ(rs->Recno(), 3);
  EXPECT_FALSE(rs->IsComplete());
  rs->Goto(2);
  EXPECT_EQ(text(rs->FieldGet(2)), "changed");

  // Complete: every row again.
  EXPECT_EQ(rs->RecCount(), 10);
  rs->GoBottom();
  test::run(*other, "INSERT INTO " + table + " VALUES (12, 'late', 0, NULL)");
  rs->Refresh();
  EXPECT_EQ(rs->RecCount(), 11);
  EXPECT_EQ(rs->Recno(), 10);

  // RefreshCurrent reads one row again; a row gone leaves the cache too.
  test::run(*other, "UPDATE " + table + " SET qty = 7 WHERE id = 10");
  EXPECT_TRUE(rs->RefreshCurrent());
  EXPECT_EQ(text(rs->FieldGet(3)), "7");

  // A value read again that its field cannot hold is reported with the row it belongs to (SQLite
  // alone lets a varchar(20) hold more).
  if (!GetParam().postgres) {
    test::run(*other,
              "UPDATE " + table + " SET note = '" + std::string(25, 'x') + "' WHERE id = 10");
    fillMessages.clear();
    EXPECT_TRUE(rs->RefreshCurrent());
    EXPECT_EQ(rs->Recno(), 10);
    ASSERT_EQ(fillMessages.size(), 1u);
    EXPECT_EQ(fillMessages[0],
              "Field 'note' row 10 - value of 25 bytes cut to 20 - Data Width Error.");
    EXPECT_EQ(text(rs->FieldGet(4)), std::string(20, 'x'));
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, RowEditing,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode),
                         test::sourceName);

class GeneratedSql : public ResultSetTest {
 protected:
  void SetUp() override {
    ResultSetTest::SetUp();
    table = test::testTable("gen");
    test::recreateTable(test::kSQLite, table,
                        "ID integer, NAME varchar(20), QTY integer, \"Unit Price\" numeric(10,2), "
                        "SHIPPED date, PAID bit");
    db = test::connectTo(test::kSQLite);
    test::run(*db, "INSERT INTO " + table + " VALUES (5, 'Bob', 1, 2.5, '2005-03-01', 1)");
  }
  std::string table;
  std::unique_ptr<TOdbc> db;
};

TEST_F(GeneratedSql, TextsOfTheStatementsRowEditingSends) {
  const std::string from = "SELECT * FROM " + table;
  for (const auto& [statement, reread] : std::vector<std::pair<std::string, std::string>>{
           {from, from + " WHERE ID = 5 "},
           {from + " WHERE QTY = 1", from + " WHERE (ID = 5) AND QTY = 1"},
           {from + " ORDER BY NAME", from + " WHERE ID = 5  ORDER BY NAME"},
           {from + " GROUP BY ID HAVING QTY > 0",
            from + " WHERE ID = 5  GROUP BY ID HAVING QTY > 0"},
       }) {
    TDbOdbcDirect rs(statement, db.get());
    rs.PrimaryKeys(std::vector<std::string>{"ID"});
    ASSERT_TRUE(rs.Open()) << statement;
    EXPECT_EQ(rs.GenCurRec(), reread);
  }

  TDbOdbcDirect rs(from, db.get());
  rs.PrimaryKeys(std::vector<std::string>{"ID"});
  ASSERT_TRUE(rs.Open());
  EXPECT_EQ(rs.PrimaryKeys(), std::vector<std::string>{"ID"});
  rs.FieldPut(2, Value("Smith "));
  rs.FieldPut(3, Value::number(3));
  EXPECT_EQ(rs.GenUpdate(), "NAME = 'Smith' , QTY = 3");
  EXPECT_EQ(rs.GenAppend(), " (NAME , QTY) VALUES ('Smith' , 3)");
  rs.FieldPut(4, Value::number(12.5, 2));
  rs.FieldPut(5, Value(Date()));
  rs.FieldPut(6, Value(false));
  EXPECT_EQ(rs.GenUpdate(),
            "NAME = 'Smith' , QTY = 3 , [Unit Price] = 12.50 , SHIPPED = NULL , PAID = 0");
  EXPECT_EQ(rs.GenWhere(), "ID = 5");
  EXPECT_TRUE(rs.Update());
  EXPECT_EQ(scalar(*db, "SELECT \"Unit Price\" FROM " + table), "12.50");
  rs.Edit();
  rs.FieldPut(5, Value(Date::fromYmd(2005, 3, 1)));
  EXPECT_EQ(rs.GenUpdate(), "SHIPPED = {d '2005-03-01'}");

  // A key the statement does not select.
  TDbOdbcDirect names("SELECT NAME FROM " + table, db.get());
  names.PrimaryKeys(std::vector<std::string>{"ID"});
  ASSERT_TRUE(names.Open());
  EXPECT_EQ(names.GenWhere(), "");
  EXPECT_EQ(names.cLastError(),
            "The primary key field ID is not present on the 'SELECT' statement");
}

TEST_F(GeneratedSql, WithoutAKeyEveryChangeIsRefusedWithItsAlert) {
  TDbOdbcDirect rs("SELECT * FROM " + table, db.get());
  ASSERT_TRUE(rs.Open());
  EXPECT_FALSE(rs.Edit());
  EXPECT_FALSE(rs.AddNew());
  EXPECT_FALSE(rs.Delete());
  EXPECT_FALSE(rs.RefreshCurrent());
  EXPECT_FALSE(rs.FieldPut(2, Value("x")));
  EXPECT_FALSE(rs.Update());
  EXPECT_FALSE(rs.Cancel());
  std::vector<std::string> alerts;
  for (const auto& message : ui->messages) {
    EXPECT_EQ(message.title, "Ostrel Alert message");
    alerts.push_back(message.text.substr(0, message.text.find("\r\n")));
  }
  EXPECT_EQ(alerts, (std::vector<std::string>{
                        "No primary keys found on this table, Edit mode not allowed",
                        "No primary keys found on this table, AddNew mode not allowed",
                        "No primary keys found on this table, Delete not allowed",
                        "No primary keys found on this table, RefreshCurrent not supported",
                        "No primary keys found on this table, Edit mode not allowed",
                        "Edit mode not supported on this query",
                        "Invalid use of Update(), the table should be in Edit or AddNew mode",
                        "Invalid use of Cancel(), the table should be in Edit or AddNew mode",
                    }));

  // Alerts off: no box, the last text kept.
  rs.lShowAlerts = false;
  const size_t shown = ui->messages.size();
  EXPECT_FALSE(rs.Edit());
  EXPECT_EQ(ui->messages.size(), shown);
  EXPECT_EQ(rs.cLastError(), "No primary keys found on this table, Edit mode not allowed");

  // A name that matches no column raises 1004 on reading, 1005 on assignment.
  EXPECT_TRUE(rs.Column("NOSUCH").isAbsent());
  rs.SetColumn("NOSUCH", Value(1.0));
  EXPECT_EQ(runErrors, (std::vector<std::string>{"Error BASE/1004  No exported method: NOSUCH",
                                                 "Error BASE/1005  No exported variable: NOSUCH"}));
}

}  // namespace
}  // namespace tabulink
