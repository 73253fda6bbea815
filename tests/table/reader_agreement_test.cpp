// Tables written here, read by readers nobody here wrote (dbfread, GDAL's ogrinfo): the values
// must agree.

#include <gtest/gtest.h>

#include "table/dbcmd.h"
#include "table_fixture.h"

namespace tabulink::test {
namespace {

class ReaderAgreementTest : public TableTest {};

TEST_F(ReaderAgreementTest, EveryKindTheResultSetsWrite) {
  std::string path = dir.file("kinds.dbf");
  DBCREATE(path, {{"NAME", "C", 12, 0},
                  {"QTY", "N", 9, 0},
                  {"PRICE", "N", 19, 2},
                  {"DAY", "D", 8, 0},
                  {"PAID", "L", 1, 0},
                  {"NOTE", "M", 10, 0}});
  ASSERT_TRUE(DBUSEAREA(true, "", path, "OutDbf"));
  std::string expected = "count 5\n";
  struct Row {
    const char* name;
    double qty;
    double price;
    Date day;
    bool paid;
    std::string note;
    const char* line;
  } rows[] = {
      {"Widget", 3, 9.99, Date::fromYmd(2005, 1, 5), true, "short", "Widget|3|9.99|2005-01-05|T|"},
      {"a|b", -12, -0.5, Date::fromYmd(1999, 12, 31), false, std::string(511, 'm'),
       "a|b|-12|-0.5|1999-12-31|F|"},
      {"long name cut here", 123456789, 1234567890.125, Date(), false, std::string(513, 'n'),
       "long name cu|123456789|1234567890.13|None|F|"},
      {"", 0, 0, Date::fromYmd(2024, 2, 29), true, "", "|0|0.0|2024-02-29|T|None"},
  };
  for (const Row& row : rows) {
    DBAPPEND();
    assignField("OutDbf->NAME", Value(row.name));
    assignField("OutDbf->QTY", Value::number(row.qty));
    assignField("OutDbf->PRICE", Value::number(row.price, 2));
    assignField("OutDbf->DAY", Value(row.day));
    assignField("OutDbf->PAID", Value(row.paid));
    assignField("OutDbf->NOTE", Value(row.note));
    expected += std::string(row.line) + (row.note.empty() ? "" : row.note) + "\n";
  }
  DBAPPEND();  // a row of NULL columns
  expected += "|None|None|None|None|None\n";
  DBCLOSEAREA();
  EXPECT_EQ(dbfreadDump(path), expected);
  EXPECT_TRUE(errors.empty());
}

TEST_F(ReaderAgreementTest, OgrinfoReadsATableWithoutMemo) {
  std::string path = dir.file("plain.dbf");
  DBCREATE(path, {{"NAME", "C", 10, 0}, {"AMOUNT", "N", 12, 3}, {"DAY", "D", 8, 0}});
  ASSERT_TRUE(DBUSEAREA(true, "", path));
  DBAPPEND();
  FIELDPUT(1, Value("abc"));
  FIELDPUT(2, Value::number(-2.5, 3));
  FIELDPUT(3, Value(Date::fromYmd(2005, 1, 5)));
  DBAPPEND();
  FIELDPUT(1, Value("second"));
  DBCLOSEAREA();
  std::string out = test::commandOutput("ogrinfo -ro -al -q '" + path + "'");
  EXPECT_NE(out.find("NAME (String) = abc\n"), std::string::npos) << out;
  EXPECT_NE(out.find("AMOUNT (Real) = -2.500\n"), std::string::npos) << out;
  EXPECT_NE(out.find("AMOUNT (Real) = (null)\n"), std::string::npos) << out;
  EXPECT_NE(out.find("DAY (Date) = 2005/01/05\n"), std::string::npos) << out;
  EXPECT_NE(out.find("NAME (String) = second\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("OGRFeature(plain):2"), std::string::npos) << out;
  Date today = Date::today();
  std::string updated = std::to_string(today.year()) + "-" + today.dtos().substr(4, 2) + "-" +
                        today.dtos().substr(6, 2);
  EXPECT_NE(out.find("DBF_DATE_LAST_UPDATE=" + updated), std::string::npos) << out;
}

}  // namespace
}  // namespace tabulink::test
