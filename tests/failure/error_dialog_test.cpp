// The error handler's answers: the quiet ones, the dialog's choices as the error allows them,
// the recursion guard, the fallback stop box and the end of the program.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "failure/os_code.h"
#include "failure/run_files.h"
#include "gui/headless_ui.h"
#include "handler_fixture.h"

namespace tabulink::test {
namespace {

RunError openError(int osCode, bool canDefault) {
  RunError error;
  error.GENCODE = EG_OPEN;
  error.OSCODE = osCode;
  error.SUBSYSTEM = "DBFNTX";
  error.SUBCODE = 1001;
  error.DESCRIPTION = "Open error";
  error.FILENAME = "held.dbf";
  error.CANRETRY = true;
  error.CANDEFAULT = canDefault;
  return error;
}

// The routine that raises the error; the report's stack starts here, at the line of the call.
constexpr int kRaiseLine = __LINE__ + 2;
[[gnu::noinline]] ErrorAnswer exportRow(const RunError& error) {
  ErrorAnswer answer = raiseError(error);
  asm volatile("");  // keeps the call from becoming a jump, so this routine stays on the stack
  return answer;
}

using ErrorDialogTest = HandlerTest;
using ErrorDialogDeathTest = HandlerTest;

TEST_F(ErrorDialogTest, AnswersZeroDivisorAndFilesHeldElsewhereQuietly) {
  RunError zeroDivisor;
  zeroDivisor.GENCODE = EG_ZERODIV;
  zeroDivisor.SUBSYSTEM = "BASE";
  EXPECT_EQ(raiseError(zeroDivisor), ErrorAnswer::Zero);
  EXPECT_FALSE(NETERR());

  for (int osCode : {32, 5}) {
    NETERR(false);
    EXPECT_EQ(raiseError(openError(osCode, true)), ErrorAnswer::Default) << osCode;
    EXPECT_TRUE(NETERR()) << osCode;
  }

  RunError appendLock;
  appendLock.GENCODE = EG_APPENDLOCK;
  appendLock.CANDEFAULT = true;
  NETERR(false);
  EXPECT_EQ(raiseError(appendLock), ErrorAnswer::Default);
  EXPECT_TRUE(NETERR());

  // Nothing shown, nothing written, and the handler is still the error block.
  EXPECT_TRUE(ui_->errorDialogs.empty());
  EXPECT_TRUE(ui_->messages.empty());
  EXPECT_FALSE(std::filesystem::exists(logPath()));
  EXPECT_EQ(raiseError(zeroDivisor), ErrorAnswer::Zero);
}

TEST_F(ErrorDialogTest, OpenErrorsOfOtherCausesOrWithoutDefaultAreReported) {
  ui_->errorChoices = {ErrorChoice::Default};
  EXPECT_EQ(raiseError(openError(2, true)), ErrorAnswer::Default);
  EXPECT_FALSE(NETERR());
  ASSERT_EQ(ui_->errorDialogs.size(), 1u);
  EXPECT_EQ(ui_->errorDialogs[0].message, "(DOS Error 2) DBFNTX/1001  Open error: held.dbf");
  EXPECT_TRUE(std::filesystem::exists(logPath()));
}

TEST_F(ErrorDialogTest, FileLockAndPermissionFailuresCarryTheCodesTheHandlerKnows) {
  EXPECT_EQ(osCodeFromErrno(EAGAIN), 32);
  EXPECT_EQ(osCodeFromErrno(EACCES), 5);
  EXPECT_EQ(osCodeFromErrno(ENOENT), 2);
  // errno 5 is an I/O error, not a refusal: it must not pass for a file held elsewhere.
  EXPECT_NE(osCodeFromErrno(EIO), 5);
  EXPECT_EQ(osCodeFromErrno(0), 0);
}

TEST_F(ErrorDialogTest, DataWidthErrorWritesTheLogAndDefaultCarriesOn) {
  ui_->errorChoices = {ErrorChoice::Default};
  EXPECT_EQ(exportRow(dataWidthError()), ErrorAnswer::Default);

  ASSERT_EQ(ui_->errorDialogs.size(), 1u);
  const ErrorDialog& dialog = ui_->errorDialogs[0];
  EXPECT_EQ(dialog.message, "Error DBFNTX/1021  Data width error");
  EXPECT_TRUE(dialog.canDefault);
  EXPECT_FALSE(dialog.canRetry);
  EXPECT_EQ(std::filesystem::path(dialog.logPath), std::filesystem::current_path() / "Error.log");
  ASSERT_FALSE(dialog.stack.empty());
  EXPECT_TRUE(
      dialog.stack[0].starts_with("   Called from tabulink::test::(anonymous "
                                  "namespace)::exportRow(" +
                                  std::to_string(kRaiseLine) + ")"))
      << dialog.stack[0];

  std::string log = readFile(logPath());
  EXPECT_NE(log.find("\r\n   Error description: Error DBFNTX/1021  Data width error\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("\r\n" + dialog.stack[0] + "\r\n"), std::string::npos);
  EXPECT_TRUE(log.ends_with("\r\n\x1A"));
}

TEST_F(ErrorDialogTest, RetryIsHonouredOnceTheMainWindowRuns) {
  RunError error = openError(2, true);
  setMainWindowRunning(true);
  ui_->errorChoices = {ErrorChoice::Retry};
  EXPECT_EQ(raiseError(error), ErrorAnswer::Retry);
  EXPECT_TRUE(ui_->errorDialogs[0].canRetry);
  EXPECT_TRUE(ui_->errorDialogs[0].canDefault);
}

TEST_F(ErrorDialogDeathTest, QuitEndsTheProgramWithStatusOne) {
  EXPECT_EXIT(raiseError(dataWidthError()), ::testing::ExitedWithCode(1), "");
}

TEST_F(ErrorDialogDeathTest, RetryBeforeTheMainWindowRunsEndsTheProgram) {
  ui_->errorChoices = {ErrorChoice::Retry};
  EXPECT_EXIT(raiseError(openError(2, true)), ::testing::ExitedWithCode(1), "");
}

TEST_F(ErrorDialogDeathTest, AChoiceTheErrorDoesNotAllowCountsAsQuit) {
  RunError error = dataWidthError();
  error.CANDEFAULT = false;
  ui_->errorChoices = {ErrorChoice::Default};
  EXPECT_EXIT(raiseError(error), ::testing::ExitedWithCode(1), "");
  setMainWindowRunning(true);
  ui_->errorChoices = {ErrorChoice::Retry};
  EXPECT_EXIT(raiseError(dataWidthError()), ::testing::ExitedWithCode(1), "");
}

TEST_F(ErrorDialogDeathTest, ASecondErrorAfterDefaultShowsOnlyTheStopBoxAndEnds) {
  ui_->errorChoices = {ErrorChoice::Default};
  ASSERT_EQ(raiseError(dataWidthError()), ErrorAnswer::Default);
  installUi(std::make_unique<HeadlessUi>());  // the stop box goes to standard error

  RunError second = dataWidthError();
  second.DESCRIPTION = "Data type error";
  second.SUBCODE = 1020;
  EXPECT_EXIT(exportRow(second), ::testing::ExitedWithCode(1),
              "^Stop: Error DBFNTX/1020  Data type error from Errorsys, line: " +
                  std::to_string(kRaiseLine) + "\n$");
}

// A UI whose error dialog fails with another error handed straight to the handler.
class FailingDialogUi : public HeadlessUi {
 public:
  ErrorChoice errorDialog(const ErrorDialog&) override {
    ERRORDIALOG(dataWidthError());
    return ErrorChoice::Default;
  }
};

TEST_F(ErrorDialogDeathTest, TheHandlerFailingInsideItselfEndsTheProgram) {
  installUi(std::make_unique<FailingDialogUi>());
  EXPECT_EXIT(raiseError(dataWidthError()), ::testing::ExitedWithCode(1), "^$");
}

TEST_F(ErrorDialogDeathTest, HeadlessNamesTheLogAndQuits) {
  installUi(std::make_unique<HeadlessUi>());
  std::string path = (std::filesystem::current_path() / "Error.log").string();
  EXPECT_EXIT(raiseError(dataWidthError()), ::testing::ExitedWithCode(1),
              "^Error DBFNTX/1021  Data width error\nSee Error.log: " + path + "\n$");
  EXPECT_TRUE(std::filesystem::exists(logPath()));
}

[[gnu::noinline]] void failDeepInside() {
  throw std::length_error("vector too long");
}

TEST_F(ErrorDialogDeathTest, AnExceptionNothingCatchesIsReportedAndTheCacheGoes) {
  installUi(std::make_unique<HeadlessUi>());
  const std::string cache = dir_.file("cache.dbf");
  std::ofstream(cache) << "rows";
  trackRunFile(cache, RunFileKind::Scratch);
  std::string path = (std::filesystem::current_path() / "Error.log").string();
  // A function that must not throw ends in std::terminate when something below it does.
  EXPECT_EXIT(
      []() noexcept { failDeepInside(); }(), ::testing::ExitedWithCode(1),
      "^Error BASE/0  Unhandled exception: vector too long\nSee Error.log: " + path + "\n$");
  untrackRunFile(cache);
  EXPECT_FALSE(std::filesystem::exists(cache));
  std::ifstream log(logPath(), std::ios::binary);
  const std::string report{std::istreambuf_iterator<char>(log), {}};
  EXPECT_NE(report.find("   Error description: Error BASE/0  Unhandled exception: vector too long"),
            std::string::npos);
}

}  // namespace
}  // namespace tabulink::test
