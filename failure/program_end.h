#pragma once
// How the program ends after a run-time error it cannot carry on from, and whether its main
// window has started running (before that, a Retry cannot be honoured).

namespace tabulink {

// Ends the program with exit status 1. Cache tables are removed; the exit handlers run, so the
// table layer closes and completes every open table; an end requested again while they run ends
// at once without them.
[[noreturn]] void endProgram();

// Set by the code that runs the main window's message loop while that loop runs.
void setMainWindowRunning(bool running);
bool mainWindowRunning();

}  // namespace tabulink
