#pragma once
// A crash (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) ends the process as it would anyway, but
// first removes the run's cache tables and unfinished outputs and leaves "Error.log" for the
// crash report of the next start: which signal, how long the run had been going and the call
// stack (unless the process has written its log already: a crash while a run-time error ends it
// keeps that error's report). Whatever handled the signal before (the default, a sanitizer's
// report) still follows.

namespace tabulink {

// Installs the handlers; once per process, after the run's start time and paths are known.
void installFatalSignalReport();

}  // namespace tabulink
