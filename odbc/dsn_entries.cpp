#include "odbc/dsn_entries.h"

#include <sqlext.h>

#include <cstdlib>
#include <string>

#include "core/text.h"
#include "odbc/environment.h"

namespace tabulink {
namespace {

void appendSources(SQLHENV env, SQLUSMALLINT first, std::vector<std::string>& names) {
  SQLCHAR name[kDsnEntryWidth + 1];
  SQLCHAR description[512];
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT descriptionLength = 0;
  SQLUSMALLINT direction = first;
  while (SQL_SUCCEEDED(SQLDataSources(env, direction, name, sizeof name, &nameLength, description,
                                      sizeof description, &descriptionLength))) {
    // The driver manager's own section of odbc.ini (its trace settings) is no data source.
    const std::string_view text = reinterpret_cast<const char*>(name);
    if (!equalsNoCase(trim(text), "ODBC")) names.push_back(padRight(text, kDsnEntryWidth));
    direction = SQL_FETCH_NEXT;
  }
}

}  // namespace

std::vector<std::string> ODBCDSNENTRIES() {
  std::vector<std::string> names;
  OdbcEnvironment env;
  if (env.handle() == SQL_NULL_HENV) return names;
  appendSources(env.handle(), SQL_FETCH_FIRST_USER, names);
  appendSources(env.handle(), SQL_FETCH_FIRST_SYSTEM, names);
  return names;
}

std::string dataSourceFiles() {
  const char* userFile = std::getenv("ODBCINI");
  const char* systemFolder = std::getenv("ODBCSYSINI");
  const char* home = std::getenv("HOME");
  auto set = [](const char* value) { return value != nullptr && *value != '\0'; };
  std::string text = "unixODBC looked in the user file ";
  text += set(userFile) ? userFile : std::string(set(home) ? home : "~") + "/.odbc.ini";
  text += set(userFile) ? " (ODBCINI)" : " (ODBCINI unset)";
  text += " and the system file ";
  text += set(systemFolder) ? std::string(systemFolder) + "/odbc.ini (ODBCSYSINI)"
                            : std::string("/etc/odbc.ini (ODBCSYSINI unset)");
  // The usual reason a job that works in a terminal finds nothing at night.
  if (!set(userFile) || !set(systemFolder))
    text += "; cron passes neither variable: set them in the crontab when the files are elsewhere";
  return text;
}

}  // namespace tabulink
