// A table file another program holds open: the open fails quietly, with NETERR set, and the
// handler neither writes a log nor shows a dialog.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "handler_fixture.h"
#include "table/dbcmd.h"
#include "table/work_areas.h"

namespace tabulink::test {
namespace {

class HeldTable : public HandlerTest {};

TEST_F(HeldTable, OpenErrorIsAnsweredQuietlyWithNetErr) {
  std::string path = dir_.file("held.dbf");
  DBCREATE(path, {{"NAME", "C", 10, 0}});
  // Another open file description with an exclusive lock: what another program's open holds.
  int other = open(path.c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);

  EXPECT_FALSE(DBUSEAREA(true, "", path, "HELD"));
  EXPECT_TRUE(NETERR());
  EXPECT_TRUE(ui_->errorDialogs.empty());
  EXPECT_TRUE(ui_->messages.empty());
  EXPECT_FALSE(std::filesystem::exists(logPath()));
  EXPECT_EQ(WorkAreas::instance().findAlias("HELD"), 0);

  close(other);
  EXPECT_TRUE(DBUSEAREA(true, "", path, "HELD"));
  EXPECT_FALSE(NETERR());  // cleared by the next open
  DBCLOSEAREA();
}

}  // namespace
}  // namespace tabulink::test
