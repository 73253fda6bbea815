// "Error.log": replaced whole, ended by 0x1A, found in any letter case, and a failed write
// leaves nothing half-written behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "failure/error_log.h"
#include "handler_fixture.h"

namespace tabulink::test {
namespace {

std::vector<std::string> names(const std::filesystem::path& dir) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    found.push_back(entry.path().filename().string());
  std::sort(found.begin(), found.end());
  return found;
}

using ErrorLogTest = HandlerTest;

TEST_F(ErrorLogTest, ReplacesEveryEarlierLogWhateverItsLetterCase) {
  writeFile(dir_.file("error.log"), "old lower");
  writeFile(dir_.file("ERROR.LOG"), "old upper");
  writeFile(dir_.file("Error.log"), "old");
  writeFile(dir_.file("Error.log.bak"), "kept");
  EXPECT_EQ(findErrorLogs(dir_.path()).size(), 3u);

  ASSERT_TRUE(writeErrorLog("line\r\n"));
  EXPECT_EQ(readFile(logPath()), "line\r\n\x1A");
  EXPECT_EQ(names(dir_.path()), (std::vector<std::string>{"Error.log", "Error.log.bak"}));
}

TEST_F(ErrorLogTest, AFailedWriteLeavesNoPartialFileAndTheDialogStillShows) {
  std::filesystem::create_directory(logPath());  // "Error.log" cannot become a file
  ui_->errorChoices = {ErrorChoice::Default};
  EXPECT_EQ(raiseError(dataWidthError()), ErrorAnswer::Default);
  EXPECT_EQ(ui_->errorDialogs.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_directory(logPath()));
  EXPECT_EQ(names(dir_.path()), (std::vector<std::string>{"Error.log"}));
}

TEST_F(ErrorLogTest, AFailedWriteKeepsTheEarlierLogWhole) {
  writeFile(dir_.file("error.log"), "earlier");
  std::filesystem::create_directory(logPath());
  EXPECT_FALSE(writeErrorLog("new\r\n"));
  EXPECT_EQ(readFile(dir_.file("error.log")), "earlier");
}

}  // namespace
}  // namespace tabulink::test
