// Creating a table only under a name nobody holds: an existing table or memo file of that name is
// left untouched and the name reported as taken.

#include <gtest/gtest.h>

#include "table/dbf_table.h"
#include "table_fixture.h"

namespace tabulink::test {
namespace {

class ExclusiveCreateTest : public TableTest {
 protected:
  const std::vector<FieldDescription> withMemo{{"NAME", "C", 5, 0}, {"NOTE", "M", 10, 0}};
};

TEST_F(ExclusiveCreateTest, FreeNameIsCreatedLikeAnyTable) {
  std::string exclusive = dir.file("free.dbf");
  std::string plain = dir.file("plain.dbf");
  EXPECT_EQ(DbfTable::createExclusive(exclusive, withMemo), DbfTable::Created::Yes);
  EXPECT_TRUE(DbfTable::create(plain, withMemo));
  EXPECT_EQ(readFile(exclusive), readFile(plain));
  EXPECT_EQ(readFile(dir.file("free.dbt")), readFile(dir.file("plain.dbt")));
  EXPECT_TRUE(errors.empty());
}

TEST_F(ExclusiveCreateTest, TakenTableOrMemoNameLeavesEveryFileAsItWas) {
  std::string table = dir.file("taken.dbf");
  writeFile(table, "theirs");
  EXPECT_EQ(DbfTable::createExclusive(table, withMemo), DbfTable::Created::NameTaken);
  EXPECT_EQ(readFile(table), "theirs");
  EXPECT_FALSE(std::filesystem::exists(dir.file("taken.dbt")));

  // Only the memo name is held: the table file made for the attempt goes again.
  std::string other = dir.file("other.dbf");
  writeFile(dir.file("other.dbt"), "theirs");
  EXPECT_EQ(DbfTable::createExclusive(other, withMemo), DbfTable::Created::NameTaken);
  EXPECT_FALSE(std::filesystem::exists(other));
  EXPECT_EQ(readFile(dir.file("other.dbt")), "theirs");

  // A replacing create still replaces.
  EXPECT_TRUE(DbfTable::create(table, withMemo));
  EXPECT_NE(readFile(table), "theirs");
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace tabulink::test
