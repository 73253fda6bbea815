#pragma once
// The names of the ODBC data sources the user can pick.

#include <string>
#include <vector>

namespace tabulink {

// Width of one entry of the data-source list: each name is filled with blanks to it.
inline constexpr size_t kDsnEntryWidth = 254;

// The data sources the driver manager knows (honouring ODBCINI and ODBCSYSINI): the user's, then
// the system's, in the manager's order; each name blank-filled to 254 characters. No data
// sources, or no driver manager configuration at all, give the empty list.
std::vector<std::string> ODBCDSNENTRIES();

// Where the driver manager looks for data sources, as `odbcinst -j` names its files: "the user
// file ... and the system file ...", with the variables that chose them (or that none is set).
std::string dataSourceFiles();

}  // namespace tabulink
