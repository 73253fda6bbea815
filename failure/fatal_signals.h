#pragma once
// A crash (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) ends the process as it would anyway, but
// first removes the run's cache tables and unfinished outputs and leaves "Error.log" for the
// crash report of the next start: which signal, how long the run had been going and the call
// stack. A crash while a run-time error ends the program keeps that error's report and the output
// it keeps. Whatever handled the signal before (the default, a sanitizer's report) still follows.

namespace tabulink {

// Installs the handlers, once, at the start of the program: the log goes to the directory current
// then.
void installFatalSignalReport();

}  // namespace tabulink
