#pragma once
// The command line: the INI file's name, and options that set the job's keys over the INI
// file's or describe a job without one.

#include <optional>
#include <string>
#include <vector>

#include "app/run_settings.h"

namespace tabulink {

struct CommandLine {
  std::vector<std::string> iniWords;  // the arguments that are no option: the INI file's name
  JobOptions job;
  // Set when the program ends without a run: --help and --version (0) or a mistaken command
  // line (2). What they have to say is printed already.
  std::optional<int> exitStatus;
};

// Reads the arguments after the program's name.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The INI file the run reads: the words joined as iniPathFromArguments joins them ("-" is the
// standard input); none when the words are empty and options describe the job.
std::optional<std::string> iniPathOf(const CommandLine& line);

}  // namespace tabulink
