#pragma once
// The connection and query flow: one connection, the table choice, the statement and its output.

#include <string>

namespace tabulink {

// Opens one connection with the given credentials, runs the configured statement or lets the user
// choose tables and queries, reports the connection's errors and closes it.
void OPENODBC(const std::string& dsn, const std::string& user, const std::string& password);

}  // namespace tabulink
