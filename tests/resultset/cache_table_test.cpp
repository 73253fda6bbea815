// The cache table a result set builds from its columns, what it stores for values and NULLs, and
// what the field descriptions and FieldGet give back; on every real data source.

#include <gtest/gtest.h>

#include "core/text.h"
#include "resultset/cache_structure.h"
#include "resultset_fixture.h"
#include "table/table_fixture.h"
#include "table/work_areas.h"

namespace tabulink {
namespace {

using test::DataSource;
using test::ResultSetOnSource;

// Twelve columns, one of each kind the cache table adjusts.
std::string twelveColumns(const DataSource& source) {
  return std::string(
             "id integer, name varchar(20), gap integer, amount numeric(10,2), big bigint, "
             "longtext varchar(300), day date, stamp timestamp, flag ") +
         (source.postgres ? "boolean" : "bit") + ", label char(5), qty smallint, word varchar(10)";
}

struct Field {
  const char* name;
  char type;
  int length;
  int decimals;
};

std::vector<Field> layoutOf(const DbfTable& table) {
  std::vector<Field> fields;
  for (const DbfField& field : table.layout().fields)
    fields.push_back(
        {field.name.c_str(), static_cast<char>(field.kind), field.length, field.decimals});
  return fields;
}

class CacheTable : public ResultSetOnSource {
 protected:
  void SetUp() override {
    ResultSetOnSource::SetUp();
    db = test::connectTo(GetParam());
    table = test::testTable("cache");
    test::recreateTable(GetParam(), table, twelveColumns(GetParam()));
    const char* yes = GetParam().postgres ? "true" : "1";
    test::run(*db, "INSERT INTO " + table +
                       " VALUES (1, 'Smith', NULL, 12.5, 9000000000, 'long', '2005-03-01', "
                       "'2005-03-01 09:05:07.123', " +
                       yes + ", 'xy', 7, 'w')");
    test::run(*db, "INSERT INTO " + table + " (id) VALUES (2)");
  }
  std::unique_ptr<TOdbc> db;
  std::string table;
};

TEST_P(CacheTable, StructureFollowsTheColumnsWithTheirAdjustments) {
  auto rs = db->Query("SELECT * FROM " + table);
  ASSERT_FALSE(db->IsError()) << db->aErrors().front().message;
  EXPECT_EQ(rs->FCount(), 0);
  ASSERT_TRUE(rs->Open());
  EXPECT_EQ(rs->FCount(), 12);
  EXPECT_EQ(WorkAreas::instance().current(), rs->nWorkArea());

  const bool pg = GetParam().postgres;
  const int bigLength = 20;
  std::vector<Field> expected = {
      {"FIELD_0001", 'N', 19, 0},
      {"FIELD_0002", 'C', 20, 0},
      {"FIELD_0003", 'N', 19, 0},
      {"FIELD_0004", 'N', 19, 2},
      {"FIELD_0005", 'C', static_cast<uint16_t>(bigLength), 0},
      {"FIELD_0006", 'M', 10, 0},
      {"FIELD_0007", 'D', 8, 0},
      {"FIELD_0008", 'D', 8, 0},
      {"FIELD_0009", pg ? 'C' : 'L', pg ? 5 : 1, 0},
      {"FIELD_0010", 'C', 5, 0},
      {"FIELD_0011", 'N', 19, 0},
      {"FIELD_0012", 'C', 10, 0},
      {"ISNULL", 'C', 12, 0},
  };
  std::vector<Field> actual = layoutOf(test::ResultSetTest::cacheOf(*rs));
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_STREQ(actual[i].name, expected[i].name);
    EXPECT_EQ(actual[i].type, expected[i].type);
    EXPECT_EQ(actual[i].length, expected[i].length);
    EXPECT_EQ(actual[i].decimals, expected[i].decimals);
  }

  // The field descriptions report the columns, not the cache table.
  EXPECT_EQ(rs->FieldNames(),
            (std::vector<std::string>{"id", "name", "gap", "amount", "big", "longtext", "day",
                                      "stamp", "flag", "label", "qty", "word"}));
  // Both drivers report a VARCHAR above 255 as a long text.
  EXPECT_EQ(rs->FieldType(6), 'M');
  EXPECT_EQ(rs->FieldLen(6), 300);
  EXPECT_EQ(rs->FieldType(4), 'N');
  EXPECT_EQ(rs->FieldLen(4), 19);
  EXPECT_EQ(rs->FieldDec(4), 2);
  EXPECT_EQ(rs->FieldType(5), 'U');
  EXPECT_EQ(rs->FieldType(7), 'D');
  EXPECT_FALSE(db->IsError());
}

TEST_P(CacheTable, NullFlagsAndValues) {
  auto rs = db->Query("SELECT * FROM " + table + " ORDER BY id");
  ASSERT_TRUE(rs->Open());
  DbfTable& cache = test::ResultSetTest::cacheOf(*rs);

  // Row 1: only the third column is null.
  EXPECT_EQ(cache.get(12).text(), "001000000000");
  EXPECT_TRUE(rs->FieldGet(3).isAbsent());
  EXPECT_TRUE(rs->FieldIsNull(3));
  EXPECT_EQ(cache.get(2), Value::number(0));
  EXPECT_EQ(rs->FieldGet(1).number().value, 1);
  EXPECT_EQ(rs->FieldGet(2).text(), padRight("Smith", 20));
  EXPECT_DOUBLE_EQ(rs->FieldGet(4).number().value, 12.5);
  EXPECT_EQ(rs->FieldGet(5).text(), padRight("9000000000", 20));
  EXPECT_EQ(rs->FieldGet(6).text(), "long");  // a memo as the data source holds it
  EXPECT_EQ(rs->FieldGet(7).date(), Date::fromYmd(2005, 3, 1));
  EXPECT_EQ(rs->FieldGet(8).date(), Date::fromYmd(2005, 3, 1));
  EXPECT_FALSE(rs->FieldIsNull(1));

  // Row 2: everything but the key is null; the cache holds the substitutes.
  rs->Skip();
  EXPECT_EQ(rs->Recno(), 2);
  EXPECT_EQ(cache.get(12).text(), "011111111111");
  for (int n = 2; n <= 12; ++n) {
    SCOPED_TRACE(n);
    EXPECT_TRUE(rs->FieldIsNull(n));
    EXPECT_TRUE(rs->FieldGet(n).isAbsent());
  }
  EXPECT_EQ(cache.get(3), Value::number(0, 2));
  EXPECT_EQ(cache.get(5), Value(""));  // a NULL memo stores nothing
  EXPECT_TRUE(cache.get(6).date().empty());
  if (!GetParam().postgres) {
    EXPECT_EQ(cache.get(8), Value(true));  // a null BIT
  }
  EXPECT_EQ(rs->RecCount(), 2);
  EXPECT_TRUE(rs->Eof());
  EXPECT_FALSE(db->IsError());
}

TEST_P(CacheTable, ValuesReadIntoReusedValuesMatchTheReturnedOnes) {
  auto rs = db->Query("SELECT * FROM " + table + " ORDER BY id");
  ASSERT_TRUE(rs->Open());
  const auto columns = static_cast<size_t>(rs->FCount());
  // One value per column kept across rows, and one going through every column (every kind,
  // longer and shorter texts, nulls) in turn.
  std::vector<Value> perColumn(columns, Value(std::string(500, 'x')));
  Value shared = Value::number(7);
  for (long row = 1; row <= 2; ++row, rs->Skip()) {
    SCOPED_TRACE(row);
    for (size_t i = 0; i < columns; ++i) {
      SCOPED_TRACE(i + 1);
      const int n = static_cast<int>(i + 1);
      rs->FieldGet(n, perColumn[i]);
      rs->FieldGet(n, shared);
      EXPECT_EQ(perColumn[i], rs->FieldGet(n));
      EXPECT_EQ(shared, rs->FieldGet(n));
    }
  }
  EXPECT_FALSE(db->IsError());
}

TEST_P(CacheTable, DatesAsText) {
  auto rs = db->Query("SELECT day, stamp FROM " + table + " ORDER BY id");
  rs->lDateAsStr = true;
  ASSERT_TRUE(rs->Open());
  EXPECT_EQ(rs->FieldType(1), 'C');
  EXPECT_EQ(rs->FieldType(2), 'C');
  const std::vector<DbfField>& fields = test::ResultSetTest::cacheOf(*rs).layout().fields;
  EXPECT_EQ(fields[0].kind, FieldKind::Character);
  EXPECT_EQ(fields[1].kind, FieldKind::Character);
  EXPECT_EQ(trimRight(rs->FieldGet(1).text()), "2005-03-01");
  EXPECT_EQ(rs->FieldGet(2).text(),
            GetParam().postgres ? "2005-03-01 09:05:07.123000" : "2005-03-01 09:05:07.123");
}

TEST_P(CacheTable, ReadBackByAnIndependentReader) {
  auto rs = db->Query("SELECT id, name, gap, amount, longtext, day FROM " + table + " ORDER BY id");
  ASSERT_TRUE(rs->Open());
  EXPECT_EQ(rs->RecCount(), 2);
  const std::string file = DbfTable::tablePath(rs->cFileName);
  // Closing the area completes the files; End still deletes them.
  WorkAreas::instance().close(rs->nWorkArea());
  std::string dump = test::dbfreadDump(file);
  EXPECT_EQ(dump,
            "count 2\n"
            "1|Smith|0|12.5|long|2005-03-01|001000\n"
            "2||0|0.0|None|None|011111\n");
  rs->End();
  EXPECT_TRUE(cacheFiles().empty());
}

// The rules for what no driver here reports: a character column above 255 bytes, an unknown type
// of any length, a number without decimals, a character column without a length.
TEST(CacheStructure, LongCharacterColumnsBecomeMemosAndUnknownTypesText) {
  std::vector<ColumnDescription> columns(5);
  columns[0].type = 'C';
  columns[0].length = 300;
  columns[1].type = 'U';
  columns[1].length = 256;
  columns[2].type = 'U';
  columns[2].length = 37;
  columns[3].type = 'N';
  columns[3].length = 19;
  columns[4].type = 'C';
  columns[4].length = 0;
  std::vector<FieldDescription> structure = cacheStructure(columns);
  ASSERT_EQ(structure.size(), 6u);
  auto row = [](const FieldDescription& f) {
    return f.name + " " + f.type + " " + std::to_string(f.length) + " " +
           std::to_string(f.decimals);
  };
  EXPECT_EQ(row(structure[0]), "FIELD_0001 M 10 0");
  EXPECT_EQ(row(structure[1]), "FIELD_0002 M 10 0");
  EXPECT_EQ(row(structure[2]), "FIELD_0003 C 37 0");
  EXPECT_EQ(row(structure[3]), "FIELD_0004 N 19 0");
  EXPECT_EQ(row(structure[4]), "FIELD_0005 C 1 0");
  EXPECT_EQ(row(structure[5]), "ISNULL C 5 0");
}

INSTANTIATE_TEST_SUITE_P(Sources, CacheTable,
                         ::testing::Values(test::kSQLite, test::kPgAnsi, test::kPgUnicode),
                         test::sourceName);

}  // namespace
}  // namespace tabulink
