#include "failure/errorsys.h"

#include <atomic>
#include <exception>
#include <new>
#include <string>

#include "core/text.h"
#include "failure/call_stack.h"
#include "failure/error_log.h"
#include "failure/error_report.h"
#include "failure/neterr.h"
#include "failure/program_end.h"
#include "failure/run_files.h"
#include "gui/ui.h"

namespace tabulink {
namespace {

constexpr int kSharingViolation = 32;
constexpr int kAccessDenied = 5;

// Set while ERRORDIALOG reports an error: entering it again means it is failing inside itself.
std::atomic<bool> handlerRunning = false;

class HandlerRun {
 public:
  HandlerRun() { handlerRunning = true; }
  ~HandlerRun() { handlerRunning = false; }
  HandlerRun(const HandlerRun&) = delete;
  HandlerRun& operator=(const HandlerRun&) = delete;
};

// In force from the first reported error on: a further error only gets a stop box, then the end.
[[noreturn]] ErrorAnswer fallbackErrorBlock(const RunError& error) {
  std::vector<StackFrame> stack = callStackBelow("fallbackErrorBlock");
  int line = stack.empty() ? 0 : stack.front().line;
  ui().messageBox("Stop",
                  ERRORMESSAGE(error) + " from Errorsys, line:" + padLeft(std::to_string(line), 3),
                  MessageIcon::Stop);
  endProgram();
}

// An exception that nothing catches is a run-time error like any other: it goes to the error
// block, so the run leaves its report and removes its cache instead of aborting. An exception
// without a handler is not unwound first, so the report's stack is still the thrower's.
[[noreturn]] void reportUncaughtException() {
  // The cache goes first: on a thread other than the GUI's the dialog itself may fail.
  removeRunFiles(false);
  RunError error;
  error.SUBSYSTEM = "BASE";
  error.DESCRIPTION = "Unhandled exception";
  try {
    if (std::exception_ptr current = std::current_exception()) std::rethrow_exception(current);
  } catch (const std::exception& exception) {
    error.DESCRIPTION += ": ";
    error.DESCRIPTION += exception.what();
  } catch (...) {
    // Not a standard exception: nothing more to say about it.
  }
  raiseError(error);
  endProgram();
}

}  // namespace

bool errorBeingHandled() {
  return handlerRunning.load();
}

void ERRORSYS() {
  installErrorBlock(ERRORDIALOG);
  std::set_terminate(reportUncaughtException);
}

ErrorAnswer ERRORDIALOG(const RunError& error) {
  if (error.GENCODE == EG_ZERODIV) return ErrorAnswer::Zero;
  bool heldElsewhere = error.OSCODE == kSharingViolation || error.OSCODE == kAccessDenied;
  if ((error.GENCODE == EG_OPEN && heldElsewhere && error.CANDEFAULT) ||
      (error.GENCODE == EG_APPENDLOCK && error.CANDEFAULT)) {
    NETERR(true);
    return ErrorAnswer::Default;
  }
  if (handlerRunning) endProgram();
  HandlerRun running;
  installErrorBlock(fallbackErrorBlock);

  ErrorReport report;
  try {
    report = buildErrorReport(error, callStackBelow("tabulink::ERRORDIALOG"));
    // Without a log the dialog is still worth showing: a failed write is not reported.
    writeErrorLog(report.text);
  } catch (const std::bad_alloc&) {
    // Memory ran out while reporting: the dialog still shows, with what was gathered.
  }

  ErrorDialog dialog{ERRORMESSAGE(error), std::move(report.stackLines), error.CANRETRY,
                     error.CANDEFAULT, errorLogPath().string()};
  ErrorChoice choice = ui().errorDialog(dialog);
  // A choice the error does not offer counts as Quit; a Retry before the main window runs has
  // nothing to return to.
  if (choice == ErrorChoice::Retry && error.CANRETRY && mainWindowRunning())
    return ErrorAnswer::Retry;
  if (choice == ErrorChoice::Default && error.CANDEFAULT) return ErrorAnswer::Default;
  endProgram();
}

}  // namespace tabulink
