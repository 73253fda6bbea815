// Work areas, aliases, moving between records, reading values back, deleting, packing, zapping.

#include <gtest/gtest.h>

#include "table/dbcmd.h"
#include "table_fixture.h"

namespace tabulink::test {
namespace {

class NavigationTest : public TableTest {
 protected:
  // A table of `count` records whose ID field holds 1..count, open in a new area.
  std::string numbered(const std::string& name, int count, const std::string& alias = {}) {
    std::string path = dir.file(name);
    DBCREATE(path, {{"ID", "N", 5, 0}, {"NAME", "C", 5, 0}});
    EXPECT_TRUE(DBUSEAREA(true, "", path, alias));
    for (int i = 1; i <= count; ++i) {
      DBAPPEND();
      FIELDPUT(1, Value::number(i));
    }
    return path;
  }

  static double id() { return FIELDGET(1).number().value; }
};

TEST_F(NavigationTest, EmptyTableStandsOnThePhantomRecord) {
  numbered("empty.dbf", 0);
  EXPECT_EQ(RECNO(), 1u);
  EXPECT_EQ(RECCOUNT(), 0u);
  EXPECT_TRUE(BOF());
  EXPECT_TRUE(DBEOF());
  EXPECT_EQ(FIELDGET(2), Value("     "));
  EXPECT_EQ(FIELDGET(1), Value::number(0));
  DBSKIP(-1);
  EXPECT_EQ(RECNO(), 1u);
  EXPECT_TRUE(BOF());
  EXPECT_TRUE(DBEOF());
  EXPECT_EQ(FIELDGET(0), Value());
  EXPECT_EQ(FIELDGET(3), Value());
  EXPECT_TRUE(errors.empty());
}

TEST_F(NavigationTest, PhantomRecordAndSkipRules) {
  numbered("three.dbf", 3);
  for (int target : {0, 4, -7, 100}) {
    DBGOTO(target);
    EXPECT_EQ(RECNO(), 4u) << target;
    EXPECT_TRUE(BOF());
    EXPECT_TRUE(DBEOF());
    EXPECT_EQ(id(), 0);
    EXPECT_FALSE(DELETED());
  }
  DBGOTO(3);
  EXPECT_EQ(id(), 3);
  DBSKIP(1);
  EXPECT_EQ(RECNO(), 4u);
  EXPECT_TRUE(DBEOF());
  EXPECT_FALSE(BOF());
  DBSKIP(-1);
  EXPECT_EQ(RECNO(), 3u);
  EXPECT_FALSE(DBEOF());
  DBGOTOP();
  DBSKIP(-1);
  EXPECT_EQ(RECNO(), 1u);
  EXPECT_TRUE(BOF());
  EXPECT_FALSE(DBEOF());
  EXPECT_EQ(id(), 1);
  DBSKIP(0);
  EXPECT_TRUE(BOF());
  EXPECT_EQ(id(), 1);
  DBSKIP(2);
  EXPECT_EQ(id(), 3);
  EXPECT_FALSE(BOF());
  DBSKIP(-10);
  EXPECT_EQ(RECNO(), 1u);
  EXPECT_TRUE(BOF());
  DBGOBOTTOM();
  EXPECT_EQ(RECNO(), 3u);
  EXPECT_FALSE(FOUND());
  EXPECT_TRUE(errors.empty());
}

TEST_F(NavigationTest, ValuesWrittenAreReadBackInTheSameSession) {
  std::string path = dir.file("cache.dbf");
  DBCREATE(path, {{"ID", "N", 10, 0},
                  {"AMOUNT", "N", 19, 4},
                  {"DAY", "D", 8, 0},
                  {"OK", "L", 1, 0},
                  {"NOTE", "M", 10, 0},
                  {"NAME", "C", 20, 0},
                  {"B", "B", 8, 2},
                  {"I8", "I", 8, 0},
                  {"D3", "D", 3, 0},
                  {"M4", "M", 4, 0}});
  ASSERT_TRUE(DBUSEAREA(true, "", path));
  const int count = 3000;  // several read-ahead windows of the record file
  for (int i = 1; i <= count; ++i) {
    DBAPPEND();
    FIELDPUT(1, Value::number(i));
    FIELDPUT(2, Value::number(i / 8.0, 4));
    FIELDPUT(3, Value(Date::fromYmd(2000 + i % 30, 1 + i % 12, 1 + i % 28)));
    FIELDPUT(4, Value(i % 2 == 0));
    FIELDPUT(5, Value(std::string(static_cast<size_t>(i % 700), static_cast<char>('a' + i % 26))));
    FIELDPUT(6, Value("name " + std::to_string(i)));
    FIELDPUT(7, Value::number(-i * 1.25, 2));
    FIELDPUT(8, Value::number(-5000000000.0 * i));
    FIELDPUT(9, Value(Date::fromYmd(1900 + i % 200, 2, 28)));
    FIELDPUT(10, Value(std::string(static_cast<size_t>(i % 3), 'x')));
  }
  for (int pass = 0; pass < 2; ++pass) {
    DBGOTOP();
    int i = 0;
    while (!DBEOF()) {
      ++i;
      ASSERT_EQ(FIELDGET(1), Value::number(i));
      ASSERT_EQ(FIELDGET(2), Value::number(i / 8.0, 4));
      ASSERT_EQ(FIELDGET(3), Value(Date::fromYmd(2000 + i % 30, 1 + i % 12, 1 + i % 28)));
      ASSERT_EQ(FIELDGET(4), Value(i % 2 == 0));
      ASSERT_EQ(FIELDGET(5).text(),
                std::string(static_cast<size_t>(i % 700), static_cast<char>('a' + i % 26)));
      ASSERT_EQ(FIELDGET(6), Value("name " + std::to_string(i) +
                                   std::string(15 - std::to_string(i).size(), ' ')));
      ASSERT_EQ(FIELDGET(7), Value::number(-i * 1.25, 2));
      ASSERT_EQ(FIELDGET(8), Value::number(-5000000000.0 * i));
      ASSERT_EQ(FIELDGET(9), Value(Date::fromYmd(1900 + i % 200, 2, 28)));
      ASSERT_EQ(FIELDGET(10).text(), std::string(static_cast<size_t>(i % 3), 'x'));
      DBSKIP();
    }
    EXPECT_EQ(i, count);
    DBCLOSEAREA();
    ASSERT_TRUE(DBUSEAREA(false, "", path));  // the second pass reads the completed files
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(NavigationTest, PackRenumbersTheRecordsLeft) {
  std::string path = numbered("five.dbf", 5);
  DBGOTO(2);
  DBDELETE();
  EXPECT_TRUE(DELETED());
  DBGOTO(4);
  DBDELETE();
  DBGOTO(1);
  EXPECT_FALSE(DELETED());
  DBGOTO(2);
  EXPECT_TRUE(DELETED());
  __DBPACK();
  EXPECT_EQ(RECCOUNT(), 3u);
  EXPECT_EQ(RECNO(), 1u);
  std::vector<double> ids;
  for (DBGOTOP(); !DBEOF(); DBSKIP())
    ids.push_back(id());
  EXPECT_EQ(ids, (std::vector<double>{1, 3, 5}));
  DBCLOSEAREA();
  EXPECT_EQ(readFile(path).size(), 98 + 3 * 11 + 1u);
  EXPECT_EQ(dbfreadDump(path), "count 3\n1|\n3|\n5|\n");
  EXPECT_TRUE(errors.empty());
}

TEST_F(NavigationTest, PackAcrossManyBufferWindows) {
  const int count = 20000;  // records written back while later ones are still read ahead
  std::string path = numbered("many.dbf", count);
  for (int i = 3; i <= count; i += 3) {
    DBGOTO(i);
    DBDELETE();
  }
  DBGOTOP();  // packing starts from a record that was read, not one being appended
  __DBPACK();
  ASSERT_EQ(RECCOUNT(), static_cast<uint32_t>(count - count / 3));
  int expected = 1;
  for (DBGOTOP(); !DBEOF(); DBSKIP()) {
    ASSERT_EQ(id(), expected) << RECNO();
    ASSERT_FALSE(DELETED());
    expected += expected % 3 == 2 ? 2 : 1;
  }
  DBCLOSEAREA();
  EXPECT_EQ(readFile(path).size(), 98 + (count - count / 3) * 11 + 1u);
  EXPECT_EQ(dbfreadDump(path).substr(0, 12), "count 13334\n");
  EXPECT_TRUE(errors.empty());
}

TEST_F(NavigationTest, AssigningAFieldUndeletesTheRecord) {
  std::string path = numbered("undelete.dbf", 2);
  DBGOTO(1);
  DBDELETE();
  DBGOTO(2);
  DBDELETE();
  FIELDPUT(2, Value("back"));
  DBCLOSEAREA();
  EXPECT_EQ(dbfreadDump(path), "count 2\n2|back\n");
}

TEST_F(NavigationTest, ZapOfAMemoTableMakesTheMemoFileAnew) {
  std::string path = dir.file("memo.dbf");
  DBCREATE(path, {{"NOTE", "M", 10, 0}});
  ASSERT_TRUE(DBUSEAREA(true, "", path));
  for (int i = 0; i < 3; ++i) {
    DBAPPEND();
    FIELDPUT(1, Value(std::string(1000, 'z')));
  }
  __DBZAP();
  EXPECT_EQ(RECCOUNT(), 0u);
  EXPECT_EQ(RECNO(), 1u);
  EXPECT_TRUE(BOF());
  EXPECT_TRUE(DBEOF());
  std::string dbt = readFile(dir.file("memo.dbt"));
  EXPECT_EQ(dbt, std::string("\x01", 1) + std::string(511, '\0'));
  DBAPPEND();
  FIELDPUT(1, Value("after"));
  DBCLOSEAREA();
  EXPECT_EQ(readFile(path).size(), 32 + 32 + 2 + 11 + 1u);
  EXPECT_EQ(dbfreadDump(path), "count 1\nafter\n");
  EXPECT_TRUE(errors.empty());
}

TEST_F(NavigationTest, AreasAndAliases) {
  numbered("first.dbf", 1, "one");
  EXPECT_EQ(SELECT(), 1);
  EXPECT_EQ(ALIAS(), "ONE");
  numbered("second.dbf", 2);
  EXPECT_EQ(SELECT(), 2);
  EXPECT_EQ(ALIAS(), "SECOND");

  // An alias in use, or one that reads as an area, is refused and changes nothing.
  for (const char* alias : {"One", "1st", "B", "m"})
    EXPECT_FALSE(DBUSEAREA(true, "", dir.file("first.dbf"), alias));
  EXPECT_EQ(SELECT(), 2);
  EXPECT_EQ(ALIAS(), "SECOND");
  EXPECT_EQ(RECCOUNT(), 2u);
  ASSERT_EQ(errors.size(), 4u);
  EXPECT_EQ(ERRORMESSAGE(errors[0]), "Error DBCMD/1011  Alias already in use: ONE");

  DBSELECTAREA("one");
  EXPECT_EQ(SELECT(), 1);
  DBSELECTAREA("b");
  EXPECT_EQ(SELECT(), 2);
  DBSELECTAREA(" 7 ");
  EXPECT_EQ(SELECT(), 7);
  EXPECT_EQ(ALIAS(), "");
  EXPECT_EQ(RECNO(), 0u);
  EXPECT_EQ(FIELDGET(1), Value());
  EXPECT_EQ(FIELDPUT(1, Value("x")), Value());
  DBSKIP();
  EXPECT_EQ(ERRORMESSAGE(errors.back()), "Error DBCMD/2001  Workarea not in use: DBSKIP");

  // An unknown alias may be looked up again; giving up keeps the current area.
  answers = {ErrorAnswer::Retry};
  DBSELECTAREA("nowhere");
  EXPECT_EQ(SELECT(), 7);
  ASSERT_EQ(errors.size(), 7u);
  EXPECT_EQ(ERRORMESSAGE(errors[5]), "Error DBCMD/1002  Alias does not exist: nowhere");
  EXPECT_TRUE(errors[5].CANRETRY);

  // The lowest empty area is the next one used; "L" is an ordinary alias.
  DBSELECTAREA(1);
  DBCLOSEAREA();
  EXPECT_EQ(ALIAS(), "");
  EXPECT_TRUE(DBUSEAREA(true, "", dir.file("first.dbf"), "L"));
  EXPECT_EQ(SELECT(), 1);
  EXPECT_EQ(ALIAS(), "L");
  // Opening into the current area closes what it held first.
  EXPECT_TRUE(DBUSEAREA(false, "", dir.file("first.dbf"), "again"));
  EXPECT_EQ(SELECT(), 1);
  EXPECT_EQ(ALIAS(), "AGAIN");
}

TEST_F(NavigationTest, AssignmentByName) {
  numbered("named.dbf", 0, "OutDbf");
  DBSELECTAREA(5);
  DBAPPEND();  // no table here
  DBSELECTAREA("OutDbf");
  DBAPPEND();
  DBSELECTAREA(5);
  EXPECT_TRUE(assignField("OutDbf->NAME", Value("abc")));
  EXPECT_TRUE(assignField("outdbf->id", Value::number(7)));
  EXPECT_FALSE(assignField("OutDbf->MISSING", Value("x")));
  EXPECT_FALSE(assignField("OutDbf->ID", Value("text for a number")));
  EXPECT_EQ(SELECT(), 5);
  DBSELECTAREA("OUTDBF");
  EXPECT_EQ(FIELDPOS("name"), 2);
  EXPECT_EQ(FIELDGET(2), Value("abc  "));
  EXPECT_EQ(FIELDGET(1), Value::number(7));
  EXPECT_EQ(messages(), (std::vector<std::string>{
                            "Error DBCMD/2001  Workarea not in use: DBAPPEND",
                            "Error BASE/1003  Variable does not exist: MISSING",
                            "Error DBFNTX/1020  Data type error",
                        }));
}

TEST_F(NavigationTest, ReadOnlyAndSharedTablesRefuseChanges) {
  std::string path = numbered("guarded.dbf", 2);
  DBCLOSEAREA();
  ASSERT_TRUE(DBUSEAREA(true, "", path, "", false, true));
  DBAPPEND();
  FIELDPUT(1, Value::number(9));
  __DBPACK();
  EXPECT_EQ(RECCOUNT(), 2u);
  EXPECT_EQ(id(), 1);
  DBCLOSEAREA();
  ASSERT_TRUE(DBUSEAREA(true, "", path, "", true, false));
  __DBZAP();
  EXPECT_EQ(RECCOUNT(), 2u);
  EXPECT_EQ(messages(), (std::vector<std::string>{
                            "Error DBCMD/1025  Write not allowed: DBAPPEND",
                            "Error DBCMD/1025  Write not allowed: FIELDPUT",
                            "Error DBCMD/1025  Write not allowed: __DBPACK",
                            "Error DBCMD/1023  Exclusive required: __DBZAP",
                        }));
}

TEST_F(NavigationTest, ATableOpenExclusivelyCannotBeOpenedAgain) {
  std::string path = numbered("held.dbf", 1);
  EXPECT_FALSE(DBUSEAREA(true, "", path, "again"));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].GENCODE, EG_OPEN);
  EXPECT_EQ(errors[0].OSCODE, 32);
  EXPECT_TRUE(errors[0].CANDEFAULT);
  EXPECT_EQ(ALIAS(), "");  // the area chosen for it stays empty
}

TEST_F(NavigationTest, StoredValuesAreDecodedByKind) {
  std::string path = dir.file("kinds.dbf");
  DBCREATE(path, {{"N5", "N", 5, 0}, {"N62", "N", 6, 2}, {"L", "L", 1, 0}, {"L2", "L", 1, 0}});
  ASSERT_TRUE(DBUSEAREA(true, "", path));
  DBAPPEND();
  DBCLOSEAREA();
  std::string bytes = readFile(path);
  bytes.replace(le16At(bytes, 8) + 1u, 13, "   42  3.14Y ");
  writeFile(path, bytes);
  ASSERT_TRUE(DBUSEAREA(true, "", path));
  EXPECT_EQ(FIELDGET(1), Value::number(42));
  EXPECT_EQ(FIELDGET(2), Value::number(3.14, 2));
  EXPECT_EQ(FIELDGET(3), Value(true));
  EXPECT_EQ(FIELDGET(4), Value(false));
}

}  // namespace
}  // namespace tabulink::test
