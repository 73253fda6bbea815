#pragma once
// The diagnostic report of a run-time error: the text written to "Error.log" and the call-stack
// lines the error dialog lists.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "failure/call_stack.h"
#include "failure/run_error.h"

namespace tabulink {

struct ErrorReport {
  std::string text;                     // every line ended by CR LF
  std::vector<std::string> stackLines;  // the "   Called from ..." lines, without line ends
};

// The report of `error` raised with `stack` below the error block (innermost first).
ErrorReport buildErrorReport(const RunError& error, const std::vector<StackFrame>& stack);

// The report's first lines, which no error changes: the "Application" heading, the program's path
// and its size.
std::string applicationHeading();
// The line "   Time from start: <h> hours <m> mins <s> secs " (CR LF not included) for `seconds`,
// written into `out`; its length. Safe in a signal handler.
inline constexpr size_t kTimeFromStartBytes = 96;
size_t writeTimeFromStart(long seconds, char (&out)[kTimeFromStartBytes]);

// `number` shown through a numeric picture of "9" digit places and "," separators, as
// "9,999,999": right-aligned, blanks for leading zeros, a separator only after a digit, all "*"
// when the number does not fit.
std::string pictureNumber(long long number, std::string_view picture);
// The picture of a program file's size: "9,999,999", widened by digit places for a larger file
// so that its size is never lost to "*".
std::string sizePicture(uint64_t size);

}  // namespace tabulink
