// The result set keeps one row in memory whatever the size of the result: filling 200,000 rows
// grows the resident set no more than a few megabytes beyond filling 1,000.

#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "resultset_fixture.h"

namespace tabulink {
namespace {

long residentBytes() {
  long size = 0;
  long resident = 0;
  std::ifstream("/proc/self/statm") >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

class Memory : public test::ResultSetTest {};

TEST_F(Memory, ResidentSetDoesNotGrowWithTheRows) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer keeps freed memory";
#endif
  constexpr int kRows = 200000;
  auto db = test::connectTo(test::kSQLite);
  const std::string table = test::testTable("memory");
  test::recreateTable(test::kSQLite, table,
                      "id integer, name varchar(30), amount numeric(10,2), day date");
  test::insertSeries(*db, table, kRows, "i, 'customer number ' || i, i * 1.25, '2005-03-01'");

  auto fill = [&](int rows) {
    auto rs = db->Query("SELECT * FROM " + table + " WHERE id <= " + std::to_string(rows));
    EXPECT_TRUE(rs->Open());
    EXPECT_EQ(rs->RecCount(), rows);
    long resident = residentBytes();
    rs->End();
    return resident;
  };
  const long small = fill(1000);
  const long large = fill(kRows);
  EXPECT_LT(large - small, 4L << 20) << "grew by " << (large - small) << " bytes";
  test::run(*db, "DROP TABLE " + table);
  EXPECT_FALSE(db->IsError());
}

}  // namespace
}  // namespace tabulink
