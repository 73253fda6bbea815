#include "failure/program_end.h"

#include <cstdlib>

namespace tabulink {
namespace {

bool ending = false;
bool mainWindowStarted = false;

}  // namespace

void endProgram() {
  // std::exit from inside an exit handler (a table that fails to close and raises an error whose
  // handling ends the program) would be undefined: the second request ends at once.
  if (ending) std::_Exit(1);
  ending = true;
  std::exit(1);
}

void setMainWindowRunning(bool running) {
  mainWindowStarted = running;
}

bool mainWindowRunning() {
  return mainWindowStarted;
}

}  // namespace tabulink
