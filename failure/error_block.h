#pragma once
// The installed error block: the one place every run-time error object is handed to. It answers
// the raiser, or ends the program. Raisers repeat the operation while the answer is Retry.

#include <functional>

#include "failure/run_error.h"

namespace tabulink {

enum class ErrorAnswer {
  Zero,     // use 0 as the result of the failed operation
  Default,  // give the operation up and carry on
  Retry,    // repeat the operation
};

using ErrorBlock = std::function<ErrorAnswer(const RunError&)>;

// Installs `block` and returns the one it replaces.
ErrorBlock installErrorBlock(ErrorBlock block);
// Hands `error` to the installed block and returns its answer (the block may end the program).
ErrorAnswer raiseError(const RunError& error);

// Until a handler is installed: the message line on standard error, then exit status 1. Tables
// still open are closed and completed by the exit handlers of the table layer.
[[noreturn]] ErrorAnswer defaultErrorBlock(const RunError& error);

}  // namespace tabulink
