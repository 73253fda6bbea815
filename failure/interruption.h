#pragma once
// SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1 and SIGALRM as requests to end the run in order. The
// signal handler only notes the signal; the run looks at interruptSignal() where it loops and ends
// itself. A watcher thread ends the process itself when the run has not claimed its end within a
// grace period: a driver call that blocks (a long statement, a server that does not answer) cannot
// look at anything.

#include <functional>
#include <string>

namespace tabulink {

// What ends the process when the run cannot: called on the watcher thread with the signal, after
// every tracked run file is gone; the process then exits with 128 + the signal.
using EmergencyEnd = std::function<void(int signal)>;

// What stops the work outside the process at once when a signal asks the run to end (a statement
// the server is running): called on a thread of its own, so that one that blocks never holds the
// end back. Before installInterruptHandling.
void installInterruptAction(std::function<void()> action);

// Installs the handlers of those signals and starts the watcher; SIGPIPE and SIGXFSZ leave a
// failed write to the caller. Once per process, before any other thread starts.
void installInterruptHandling(EmergencyEnd emergencyEnd);

// The signal that asked the run to end, 0 while none did. Cheap enough for every row.
int interruptSignal();

// Claims the end of the program (the error file, the exit) for the calling thread: false when the
// watcher is already ending it, in which case the caller must wait for that (waitForEnd). Always
// true without installed handling (tests run the program's steps in their own process).
bool claimEnd();
[[noreturn]] void waitForEnd();

// "SIGTERM" and the like.
std::string signalName(int signal);

}  // namespace tabulink
