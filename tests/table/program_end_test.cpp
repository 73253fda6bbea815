// Tables left open when the program ends are closed and completed: on exit(), and when the
// default error block ends the program after an error.

#include <gtest/gtest.h>

#include <cstdlib>

#include "table/dbcmd.h"
#include "table_fixture.h"

namespace tabulink::test {
namespace {

class ProgramEndTest : public TableTest {
 protected:
  std::string openWithOneRecord(const std::string& name) {
    std::string path = dir.file(name);
    DBCREATE(path, {{"ID", "N", 4, 0}, {"NOTE", "M", 10, 0}});
    EXPECT_TRUE(DBUSEAREA(true, "", path, "OutDbf"));
    DBAPPEND();
    FIELDPUT(1, Value::number(1));
    FIELDPUT(2, Value("kept"));
    DBAPPEND();
    FIELDPUT(1, Value::number(2));
    return path;
  }
};

TEST_F(ProgramEndTest, ExitCompletesOpenTables) {
  std::string path = dir.file("exit.dbf");
  EXPECT_EXIT(
      {
        openWithOneRecord("exit.dbf");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(dbfreadDump(path), "count 2\n1|kept\n2|None\n");
  EXPECT_EQ(readFile(path).back(), '\x1a');
}

TEST_F(ProgramEndTest, TheDefaultErrorBlockEndsTheProgramAfterClosingTables) {
  std::string path = dir.file("quit.dbf");
  EXPECT_EXIT(
      {
        installErrorBlock(defaultErrorBlock);
        openWithOneRecord("quit.dbf");
        FIELDPUT(1, Value::number(12345));
      },
      ::testing::ExitedWithCode(1), "Error DBFNTX/1021  Data width error\n");
  // The record being filled when the program ended is there, with the stars of the wide value.
  std::string bytes = readFile(path);
  EXPECT_EQ(le32At(bytes, 4), 2u);
  EXPECT_EQ(bytes.substr(le16At(bytes, 8) + 15 + 1, 4), "****");
}

}  // namespace
}  // namespace tabulink::test
