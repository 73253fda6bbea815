#pragma once
// The program's run from its command line to the written error file.

#include <string>
#include <vector>

namespace tabulink {

// The INI path from the command-line arguments: joined with one blank each, double quotes and
// trailing blanks removed; "./Tabulink.ini" when nothing is left.
std::string iniPathFromArguments(const std::vector<std::string>& arguments);

struct CommandLine;

// The whole run: configuration, data sources, connection work, error file (endRun).
void MAIN(const CommandLine& line);

// The run's last step: the error file, with an entry for a signal that asked the run to end.
void endRun();
// The same for a run that did not end itself in time after `signal`: called on another thread
// while the run may still be working (its cache files are gone already).
void endInterruptedRun(int signal);

}  // namespace tabulink
