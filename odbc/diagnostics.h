#pragma once
// The diagnostic records an ODBC call left on a handle, as `isql -v` shows them, for the reports
// that have to say why something failed.

#include <sql.h>

#include <string>

namespace tabulink {

// Every record on `handle` (of `handleType`) as "[SQLSTATE] message", records separated by "; ",
// line ends within a message as blanks. Empty when the handle holds none.
std::string diagnosticRecords(SQLSMALLINT handleType, SQLHANDLE handle);

}  // namespace tabulink
