#include "odbc/dsn_entries.h"

#include <sqlext.h>

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

}  // namespace tabulink
