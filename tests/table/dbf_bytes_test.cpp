// The bytes of written tables and memo files, checked one by one.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/date.h"
#include "core/text.h"
#include "table/dbcmd.h"
#include "table/dbf_table.h"
#include "table/work_areas.h"
#include "table_fixture.h"

namespace tabulink::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class DbfBytesTest : public TableTest {
 protected:
  // Creates and opens `name` with `structure`, runs `fill` on it, closes it and returns the bytes.
  template <class Fill>
  std::string written(const std::string& name, const std::vector<FieldDescription>& structure,
                      Fill fill) {
    std::string path = dir.file(name);
    DBCREATE(path, structure);
    EXPECT_TRUE(DBUSEAREA(true, "", path, "OutDbf"));
    fill();
    DBCLOSEAREA();
    return readFile(path);
  }

  std::string recordField(const std::string& bytes, int record, size_t offset, size_t length) {
    size_t at = le16At(bytes, 8) + static_cast<size_t>(record - 1) * le16At(bytes, 10);
    return bytes.substr(at + offset, length);
  }
};

TEST_F(DbfBytesTest, EmptyTableOfTwoFields) {
  std::string path = dir.file("two");
  DBCREATE(path, {{"name", "c", 5, 0}, {"amount", "N", 10, 2}});
  std::string bytes = readFile(path + ".dbf");
  ASSERT_EQ(bytes.size(), 99u);
  Date today = Date::today();
  EXPECT_EQ(bytes[0], 0x03);
  EXPECT_EQ(static_cast<uint8_t>(bytes[1]), today.year() - 1900);
  EXPECT_EQ(bytes[2], today.month());
  EXPECT_EQ(bytes[3], today.day());
  EXPECT_EQ(le32At(bytes, 4), 0u);
  EXPECT_EQ(le16At(bytes, 8), 98);
  EXPECT_EQ(le16At(bytes, 10), 1 + 5 + 10);
  EXPECT_EQ(bytes.substr(12, 20), std::string(20, '\0'));
  EXPECT_EQ(bytes.substr(32, 32),
            std::string("NAME\0\0\0\0\0\0\0C\0\0\0\0\x05", 17) + std::string(15, '\0'));
  EXPECT_EQ(bytes.substr(64, 32),
            std::string("AMOUNT\0\0\0\0\0N\0\0\0\0\x0a\x02", 18) + std::string(14, '\0'));
  EXPECT_EQ(bytes.substr(96), "\x0d\x00\x1a"s);
  EXPECT_FALSE(fs::exists(path + ".dbt"));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(dbfreadDump(path + ".dbf"), "count 0\n");
}

TEST_F(DbfBytesTest, LongCharacterFieldKeepsItsLengthInTwoBytes) {
  std::string bytes = written("long.dbf", {{"TEXT", "C", 300, 0}}, [] {
    DBAPPEND();
    FIELDPUT(1, Value("abc"));
  });
  EXPECT_EQ(bytes[32 + 16], 0x2C);
  EXPECT_EQ(bytes[32 + 17], 0x01);
  EXPECT_EQ(le16At(bytes, 10), 301);
  EXPECT_EQ(recordField(bytes, 1, 0, 301), " abc" + std::string(297, ' '));
  // Length + 256 × decimals describes the same field.
  DBCREATE(dir.file("same.dbf"), {{"TEXT", "C", 44, 1}});
  EXPECT_EQ(readFile(dir.file("same.dbf")).substr(32), bytes.substr(32, 34) + "\x1a");
}

TEST_F(DbfBytesTest, BytesWrittenIntoTheRecordAtAFieldsOffset) {
  std::string bytes = written("copied.dbf", {{"AMOUNT", "N", 6, 2}, {"NAME", "C", 3, 0}}, [] {
    DbfTable& table = *WorkAreas::instance().currentTable();
    EXPECT_EQ(table.writableRecord(), nullptr);  // no record yet
    DBAPPEND();
    char* record = table.writableRecord();
    ASSERT_NE(record, nullptr);
    std::memcpy(record + table.layout().fields[0].offset, "  1.50", 6);
  });
  EXPECT_EQ(recordField(bytes, 1, 0, 10), "   1.50   ");
  EXPECT_TRUE(errors.empty());
}

TEST_F(DbfBytesTest, FieldEncodings) {
  std::vector<FieldDescription> structure = {
      {"C5", "C", 5, 0}, {"N19", "N", 19, 2}, {"N4", "N", 4, 0}, {"D", "D", 8, 0},
      {"L", "L", 1, 0},  {"F", "F", 8, 3},    {"B", "B", 8, 1},  {"I", "I", 0, 0},
      {"D3", "D", 3, 0}, {"I2", "2", 0, 0},
  };
  std::string bytes = written("codes.dbf", structure, [] {
    DBAPPEND();
    FIELDPUT(1, Value("abc"));
    FIELDPUT(2, Value::number(3.14159, 5));
    FIELDPUT(4, Value(Date::fromYmd(2005, 1, 5)));
    FIELDPUT(5, Value(true));
    FIELDPUT(6, Value::number(2.675, 3));  // rounded from its decimal reading
    FIELDPUT(7, Value::number(-1.5, 1));
    FIELDPUT(8, Value::number(-2, 0));
    FIELDPUT(9, Value(Date::fromYmd(2000, 1, 1)));
    FIELDPUT(10, Value::number(513, 0));
    DBAPPEND();
    FIELDPUT(1, Value("abcdefg"));
    FIELDPUT(2, Value::number(-0.5, 1));
    FIELDPUT(3, Value::number(12345, 0));
    FIELDPUT(5, Value(false));
    FIELDPUT(6, Value::number(1.0005, 4));
    DBAPPEND();
    FIELDPUT(2, Value::number(-0.001, 3));
    FIELDPUT(3, Value::number(-2.5, 1));
    FIELDPUT(6, Value::number(123456789, 0));
  });
  EXPECT_EQ(le16At(bytes, 10), 1 + 5 + 19 + 4 + 8 + 1 + 8 + 8 + 4 + 3 + 2);
  EXPECT_EQ(recordField(bytes, 1, 0, 63),
            " abc  " + std::string(15, ' ') + "3.14" + "    " + "20050105" + "T" + "   2.675" +
                std::string("\0\0\0\0\0\0\xf8\xbf", 8) + std::string("\xfe\xff\xff\xff", 4) +
                std::string("\x59\x68\x25", 3) + std::string("\x01\x02", 2));
  EXPECT_EQ(recordField(bytes, 2, 0, 46), " abcde" + std::string(14, ' ') + "-0.50" + "****" +
                                              std::string(8, ' ') + "F" + "   1.001");
  EXPECT_EQ(recordField(bytes, 3, 6, 23), std::string(15, ' ') + "0.00" + "  -3");
  // 123456789 with 3 decimals needs 13 places: the field of 8 shows stars.
  EXPECT_EQ(recordField(bytes, 3, 38, 8), "********");
  ASSERT_EQ(messages(), (std::vector<std::string>{"Error DBFNTX/1021  Data width error",
                                                  "Error DBFNTX/1021  Data width error"}));
  EXPECT_EQ(errors[0].CANDEFAULT, true);
  EXPECT_EQ(errors[0].CANRETRY, false);
}

TEST_F(DbfBytesTest, NumberRounding) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {0.125, 2, "0.13"},  {-0.125, 2, "-0.13"},
      {1.005, 2, "1.01"},  {0.995, 2, "1.00"},
      {0.994, 2, "0.99"},  {99.996, 2, "100.00"},
      {-0.004, 2, "0.00"}, {1e20, 0, "100000000000000000000"},
      {5, 3, "5.000"},     {0.5, 0, "1"},
      {-0.5, 0, "-1"},     {0.1, 20, "0.10000000000000000000"},
  };
  std::string path = dir.file("round.dbf");
  for (const Case& c : cases) {
    DBCREATE(path, {{"N", "N", 30, c.decimals}});
    ASSERT_TRUE(DBUSEAREA(true, "", path));
    DBAPPEND();
    FIELDPUT(1, Value::number(c.value, c.decimals));
    DBCLOSEAREA();
    std::string bytes = readFile(path);
    EXPECT_EQ(std::string(trim(bytes.substr(le16At(bytes, 8) + 1, 30))), c.text)
        << c.value << " with " << c.decimals;
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(DbfBytesTest, MemoBlocks) {
  std::string path = dir.file("memo.dbf");
  DBCREATE(path, {{"ID", "N", 3, 0}, {"NOTE", "M", 10, 0}});
  EXPECT_EQ(readFile(path)[0], static_cast<char>(0x83));
  std::string empty = readFile(dir.file("memo.dbt"));
  EXPECT_EQ(empty, std::string("\x01", 1) + std::string(511, '\0'));

  std::string first(100, 'a');
  std::string second(511, 'b');  // ends its block with one 0x1A and takes the next one too
  std::string third(10, 'c');
  ASSERT_TRUE(DBUSEAREA(true, "", path));
  DBAPPEND();
  FIELDPUT(2, Value(first));
  DBAPPEND();
  FIELDPUT(2, Value(second));
  DBAPPEND();
  FIELDPUT(2, Value(third));
  DBAPPEND();
  FIELDPUT(2, Value(""));
  DBAPPEND();  // never assigned, as a NULL column
  DBCLOSEAREA();

  std::string dbt = readFile(dir.file("memo.dbt"));
  ASSERT_EQ(dbt.size(), 5 * 512u);
  EXPECT_EQ(le32At(dbt, 0), 5u);
  EXPECT_EQ(dbt.substr(512, 512), first + std::string(412, '\x1a'));
  EXPECT_EQ(dbt.substr(1024, 512), second + "\x1a");
  EXPECT_EQ(dbt.substr(1536, 512), std::string(512, '\0'));
  EXPECT_EQ(dbt.substr(2048, 512), third + std::string(502, '\x1a'));
  std::string dbf = readFile(path);
  size_t header = le16At(dbf, 8);
  EXPECT_EQ(dbf.substr(header + 4, 10), "         1");
  EXPECT_EQ(dbf.substr(header + 14 + 4, 10), "         2");
  EXPECT_EQ(dbf.substr(header + 28 + 4, 10), "         4");
  EXPECT_EQ(dbf.substr(header + 42 + 4, 10), std::string(10, ' '));
  EXPECT_EQ(dbf.substr(header + 56 + 4, 10), std::string(10, ' '));
  EXPECT_EQ(dbfreadDump(path), "count 5\nNone|" + first + "\nNone|" + second + "\nNone|" + third +
                                   "\nNone|None\nNone|None\n");
}

// A table that keeps memo lengths gives back every byte, 0x1A and NUL included, from blocks in the
// dBASE IV form; reopened, it still reads them.
TEST_F(DbfBytesTest, MemoTextsKeptWithTheirLength) {
  std::string path = dir.file("kept.dbf");
  DBCREATE(path, {{"NOTE", "M", 10, 0}});
  const std::string special("a\x1A\0b", 4);
  const std::string long1(1000, 'c');
  ASSERT_TRUE(DBUSEAREA(true, "", path));
  DbfTable* table = WorkAreas::instance().table(SELECT());
  table->keepMemoLengths();
  for (const std::string& text : {special, std::string(), long1, std::string(504, 'd')}) {
    DBAPPEND();
    FIELDPUT(1, Value(text));
  }
  DBGOTO(1);
  EXPECT_EQ(FIELDGET(1), Value(special));
  DBCLOSEAREA();

  std::string dbt = readFile(dir.file("kept.dbt"));
  // 8 header bytes with each text: 504 bytes and their header fill a block, and the 0x1A that
  // ends every text takes the next one.
  ASSERT_EQ(dbt.size(), 512u * (1 + 1 + 2 + 2));
  EXPECT_EQ(dbt.substr(512, 16),
            std::string("\xFF\xFF\x08\x00\x0C\x00\x00\x00", 8) + special + std::string(4, '\x1A'));
  ASSERT_TRUE(DBUSEAREA(true, "", path));
  std::vector<Value> read;
  for (DBGOTOP(); !DBEOF(); DBSKIP())
    read.push_back(FIELDGET(1));
  EXPECT_EQ(read, (std::vector<Value>{Value(special), Value(""), Value(long1),
                                      Value(std::string(504, 'd'))}));
  DBCLOSEAREA();
  EXPECT_TRUE(errors.empty());
}

TEST_F(DbfBytesTest, MemoFileNameAndReplacedFiles) {
  std::string path = dir.file("out.dat");
  writeFile(path, "not a table at all");
  writeFile(dir.file("out.dbt"), "old memo");
  DBCREATE(path, {{"NOTE", "M", 4, 0}});
  EXPECT_EQ(readFile(path).size(), 32 + 32 + 2 + 1u);
  EXPECT_EQ(readFile(dir.file("out.dbt")).size(), 512u);
  // A table without memo fields leaves an existing memo file alone.
  DBCREATE(dir.file("out2"), {{"A", "L", 1, 0}});
  writeFile(dir.file("out2.dbt"), "kept");
  DBCREATE(dir.file("out2"), {{"A", "L", 1, 0}});
  EXPECT_EQ(readFile(dir.file("out2.dbt")), "kept");
  EXPECT_TRUE(errors.empty());
}

TEST_F(DbfBytesTest, HeaderIsCompletedAtClose) {
  std::string path = dir.file("three.dbf");
  DBCREATE(path, {{"ID", "N", 5, 0}, {"NAME", "C", 10, 0}});
  ASSERT_TRUE(DBUSEAREA(true, "", path));
  for (int i = 1; i <= 3; ++i) {
    DBAPPEND();
    FIELDPUT(1, Value::number(i));
    FIELDPUT(2, Value("row " + std::to_string(i)));
  }
  // While the table is open the file still carries the count written at creation.
  EXPECT_EQ(le32At(readFile(path), 4), 0u);
  EXPECT_EQ(RECCOUNT(), 3u);
  DBCLOSEAREA();
  std::string bytes = readFile(path);
  EXPECT_EQ(le32At(bytes, 4), 3u);
  EXPECT_EQ(bytes.size(), 98 + 3 * 16 + 1u);
  EXPECT_EQ(bytes.back(), '\x1a');
  Date today = Date::today();
  EXPECT_EQ(bytes[3], today.day());
  EXPECT_EQ(dbfreadDump(path), "count 3\n1|row 1\n2|row 2\n3|row 3\n");
}

TEST_F(DbfBytesTest, RefusedStructuresCreateNothing) {
  std::vector<std::vector<FieldDescription>> refused = {
      {{"A", "X", 5, 0}},
      {{"A", "N", 256, 0}},
      {{"  ", "C", 5, 0}},
      {{"A", "C", 65000, 3}},
  };
  for (const auto& structure : refused)
    DBCREATE(dir.file("bad.dbf"), structure);
  DBCREATE(dir.file("none.dbf"), {});
  DBCREATE("", {{"A", "C", 1, 0}});
  EXPECT_FALSE(fs::exists(dir.file("bad.dbf")));
  EXPECT_FALSE(fs::exists(dir.file("none.dbf")));
  std::vector<std::string> expected(4, "Error DBCMD/1015  Create error: DBCREATE");
  expected.insert(expected.end(), 2, "Error DBCMD/1014  Argument error: DBCREATE");
  EXPECT_EQ(messages(), expected);
}

TEST_F(DbfBytesTest, CreateErrorIsRetriedWhileAsked) {
  answers = {ErrorAnswer::Retry, ErrorAnswer::Retry};
  DBCREATE(dir.file("missing/out.dbf"), {{"A", "C", 1, 0}});
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(ERRORMESSAGE(errors[0]),
            "(DOS Error 2) DBFNTX/1004  Create error: " + dir.file("missing/out.dbf") +
                " (No such file or directory)");
  EXPECT_TRUE(errors[0].CANRETRY);
  EXPECT_TRUE(errors[0].CANDEFAULT);
}

}  // namespace
}  // namespace tabulink::test
