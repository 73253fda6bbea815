#pragma once
// The program's run from its command line to the written error file.

#include <string>
#include <vector>

namespace tabulink {

// The INI path from the command-line arguments: joined with one blank each, double quotes and
// trailing blanks removed; "./Tabulink.ini" when nothing is left.
std::string iniPathFromArguments(const std::vector<std::string>& arguments);

// The whole run: configuration, data sources, connection work, error file.
void MAIN(const std::vector<std::string>& arguments);

}  // namespace tabulink
