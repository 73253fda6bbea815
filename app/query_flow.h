#pragma once
// The connection and query flow: one connection, the table choice, the statement and its output.

#include <string>
#include <string_view>

#include "gui/ui.h"

namespace tabulink {

class TOdbc;
class TDbOdbcDirect;

// Opens one connection with the given credentials, runs the configured statement or lets the user
// choose tables and queries, reports the connection's errors and closes it.
void OPENODBC(const std::string& dsn, const std::string& user, const std::string& password);

// Runs one statement on `connection`: the configured SQL when `table` is empty, else the query
// the user edits in the prompt (prefilled for `table`). A SELECT is exported; any other statement
// is only executed. `fillWindow` (0 for none) owns the fetch.
void OPENTABLE(const std::string& table, TOdbc& connection, WindowId fillWindow, bool asynchronous);

// A window title "Tabulink rel.<release>" + `label` + `rows` with the picture "999,999".
std::string progressTitle(std::string_view label, long long rows);

// Progress of a background fill: the row just fetched, or 0 once the fill is complete, shown in
// the title of the result set's own grid window.
void CHKCURSOR(long row, TDbOdbcDirect& resultSet);

}  // namespace tabulink
