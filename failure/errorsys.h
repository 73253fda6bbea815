#pragma once
// The run-time error handler: answers a few errors quietly, and for all others writes the
// diagnostic report to "Error.log", shows the error dialog and carries on or ends the program.

#include "failure/error_block.h"

namespace tabulink {

// Makes ERRORDIALOG the error block, and hands it every exception that nothing catches. Called
// first thing in main().
void ERRORSYS();

// The error block: 0 for a zero divisor; a quiet Default with NETERR set for an open or append
// lock refused because another process holds the file; otherwise report, log and dialog, then
// the choice made (Retry only once the main window runs) or the end of the program.
ErrorAnswer ERRORDIALOG(const RunError& error);
// Whether ERRORDIALOG is handling an error now (its log written, its dialog up, or the program
// ending through it). Safe to ask from a signal handler.
bool errorBeingHandled();

}  // namespace tabulink
