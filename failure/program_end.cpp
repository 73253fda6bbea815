#include "failure/program_end.h"

#include <cstdlib>

#include "failure/interruption.h"
#include "failure/run_files.h"

namespace tabulink {
namespace {

bool ending = false;
bool mainWindowStarted = false;

}  // namespace

void endProgram() {
  // Cache tables go first, whatever fails while the exit handlers close the tables. Outputs still
  // under their temporary names stay there with what was written.
  removeRunFiles(false);
  // std::exit from inside an exit handler (a table that fails to close and raises an error whose
  // handling ends the program) would be undefined: the second request ends at once.
  if (ending) std::_Exit(1);
  ending = true;
  // An interruption the run did not see in time is already ending the process.
  if (!claimEnd()) waitForEnd();
  std::exit(1);
}

void setMainWindowRunning(bool running) {
  mainWindowStarted = running;
}

bool mainWindowRunning() {
  return mainWindowStarted;
}

}  // namespace tabulink
