#pragma once
// The one routine through which the driver reports a message: shown at once in a message box, or
// collected with date and time and written to the error file at the end of the run.

#include <string>
#include <string_view>

namespace tabulink {

// Without an error file (FileErr empty): a message box "Alert" with the text. Otherwise appends
// "MM/DD/YYYY - hh:mm:ss - " + text + CR LF to the collected error text.
void ZULERROR(std::string_view text);

// Appends the collected text to FileErr when both are non-empty. A file that cannot be written
// gets its text written to standard error instead, after a line saying why.
void ZULWRITEERRORS();

// Records that `signal` ended the run: an entry like ZULERROR's, or without an error file a line
// on standard error (nobody may be there to close a message box). Safe on any thread.
void recordInterruption(int signal);

// Whether anything went through ZULERROR during the run (the exit status depends on it).
bool errorsReported();

// The exit status of the run: 128 + the signal for an interrupted run, else 2 when anything was
// reported, else 0.
int runExitStatus();

// Forgets everything collected (a new run in the same process, as tests make).
void resetErrorCollection();

}  // namespace tabulink
