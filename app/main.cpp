// tabulink: runs one SQL statement against an ODBC data source and delivers the result.

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/error_collection.h"
#include "app/main_sequence.h"
#include "failure/errorsys.h"
#include "failure/fatal_signals.h"
#include "failure/interruption.h"
#include "gui/ui.h"
#include "odbc/statement.h"

int main(int argc, char** argv) {
  using namespace tabulink;
  // --help and --version answer before anything else starts, the desktop's windows among it.
  const CommandLine line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (line.exitStatus) return *line.exitStatus;
  ERRORSYS();
  installFatalSignalReport();
  // Before any other thread starts (the desktop toolkit's among them), so that every thread leaves
  // the ending signals to the run.
  installInterruptAction(cancelStatements);
  installInterruptHandling(endInterruptedRun);
  std::unique_ptr<Ui> previous = installUi(chooseUi());
  MAIN(line);
  // 0 when the run reported nothing, 2 when anything went through the error collection, 128 + the
  // signal when one ended the run.
  const int status = runExitStatus();
  // The backend goes before the program ends: windows still open close in order.
  installUi(std::move(previous));
  return status;
}
