// Damaged tables and memo files: each gives its run-time error, never a crash or a hang.

#include <gtest/gtest.h>

#include <filesystem>

#include "table/dbcmd.h"
#include "table_fixture.h"

namespace tabulink::test {
namespace {

class DamagedFileTest : public TableTest {
 protected:
  // A good table of two records with a memo field, as bytes of the .dbf and the .dbt.
  void SetUp() override {
    TableTest::SetUp();
    path = dir.file("good.dbf");
    DBCREATE(path, {{"ID", "N", 4, 0}, {"NOTE", "M", 10, 0}});
    EXPECT_TRUE(DBUSEAREA(true, "", path));
    for (const char* text : {"first", "second"}) {
      DBAPPEND();
      FIELDPUT(1, Value::number(1));
      FIELDPUT(2, Value(text));
    }
    DBCLOSEAREA();
    dbf = readFile(path);
    dbt = readFile(dir.file("good.dbt"));
  }

  // Opens the table after writing `tableBytes` (and `memoBytes`); the error of the attempt.
  std::string openDamaged(const std::string& tableBytes, const std::string& memoBytes) {
    writeFile(path, tableBytes);
    writeFile(dir.file("good.dbt"), memoBytes);
    errors.clear();
    bool opened = DBUSEAREA(true, "", path, "damaged");
    EXPECT_TRUE(opened || !errors.empty());
    if (opened) {
      for (DBGOTOP(); !DBEOF(); DBSKIP())
        for (int i = 1; i <= 2; ++i)
          FIELDGET(i);
      DBCLOSEAREA();
    }
    return errors.empty() ? "" : ERRORMESSAGE(errors[0]);
  }

  std::string patched(size_t at, std::string bytes) const {
    std::string copy = dbf;
    copy.replace(at, bytes.size(), bytes);
    return copy;
  }

  std::string path;
  std::string dbf;
  std::string dbt;
};

TEST_F(DamagedFileTest, DamagedTablesAreCorruption) {
  std::string corruption = "Error DBFNTX/1012  Corruption detected: " + path;
  size_t header = le16At(dbf, 8);
  EXPECT_EQ(openDamaged(dbf, dbt), "");
  EXPECT_EQ(openDamaged("ID,NOTE\n1,first\n", dbt), corruption) << "not a table";
  EXPECT_EQ(openDamaged("", dbt), corruption) << "empty file";
  EXPECT_EQ(openDamaged(dbf.substr(0, 20), dbt), corruption) << "short header";
  EXPECT_EQ(openDamaged(dbf.substr(0, 70), dbt), corruption) << "short descriptors";
  EXPECT_EQ(openDamaged(patched(0, "\x04"), dbt), corruption) << "version";
  EXPECT_EQ(openDamaged(patched(8, "\xff\x7f"), dbt), corruption) << "header past the end";
  EXPECT_EQ(openDamaged(patched(8, "\x20"), dbt), corruption) << "no descriptor";
  EXPECT_EQ(openDamaged(patched(10, "\x10"), dbt), corruption) << "record length";
  EXPECT_EQ(openDamaged(patched(10, std::string("\0\0", 2)), dbt), corruption) << "length 0";
  EXPECT_EQ(openDamaged(patched(32 + 11, "X"), dbt), corruption) << "field letter";
  EXPECT_EQ(openDamaged(patched(64 + 16, "\x07"), dbt), corruption) << "memo field length";
  EXPECT_EQ(openDamaged(patched(4, "\x03"), dbt), corruption) << "count above the records";
  EXPECT_EQ(openDamaged(dbf.substr(0, header + 20), dbt), corruption) << "cut in a record";
  // A record cut short behind whole records only loses the partial one.
  EXPECT_EQ(openDamaged(patched(4, std::string("\x01\0", 2)).substr(0, header + 20), dbt), "");
}

TEST_F(DamagedFileTest, DamagedMemoFiles) {
  std::string memoPath = dir.file("good.dbt");
  std::string corruption = "Error DBFNTX/1012  Corruption detected: ";
  size_t header = le16At(dbf, 8);
  EXPECT_EQ(openDamaged(dbf, dbt.substr(0, 100)), corruption + memoPath) << "short memo header";
  EXPECT_EQ(openDamaged(patched(header + 5, "      9999"), dbt), corruption + memoPath)
      << "block past the end";
  EXPECT_EQ(openDamaged(patched(header + 5, "4294967295"), dbt), corruption + memoPath)
      << "largest block";
  EXPECT_EQ(openDamaged(patched(header + 5, "    12ab  "), dbt), corruption + path)
      << "not a block number";
  // A text without its end mark ends with the file.
  std::string unended = dbt;
  unended.resize(unended.find('\x1a', 1024));
  EXPECT_EQ(openDamaged(dbf, unended), "");

  std::filesystem::remove(memoPath);
  writeFile(path, dbf);
  errors.clear();
  EXPECT_FALSE(DBUSEAREA(true, "", path));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(ERRORMESSAGE(errors[0]),
            "(DOS Error 2) DBFNTX/1001  Open error: " + memoPath + " (No such file or directory)");
}

TEST_F(DamagedFileTest, ValuesOfADamagedMemoReadAsEmpty) {
  size_t header = le16At(dbf, 8);
  writeFile(path, patched(header + 5, "      9999"));
  ASSERT_TRUE(DBUSEAREA(true, "", path));
  EXPECT_EQ(FIELDGET(2), Value(""));
  EXPECT_EQ(FIELDGET(1), Value::number(1));
  DBSKIP();
  EXPECT_EQ(FIELDGET(2), Value("second"));
  EXPECT_EQ(errors.size(), 1u);
}

TEST_F(DamagedFileTest, MissingTableIsAnOpenError) {
  answers = {ErrorAnswer::Retry};
  EXPECT_FALSE(DBUSEAREA(true, "", dir.file("nothing.dbf")));
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(ERRORMESSAGE(errors[1]), "(DOS Error 2) DBFNTX/1001  Open error: " +
                                         dir.file("nothing.dbf") + " (No such file or directory)");
  EXPECT_TRUE(errors[1].CANRETRY);
  EXPECT_TRUE(errors[1].CANDEFAULT);
}

}  // namespace
}  // namespace tabulink::test
