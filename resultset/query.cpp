// The session's Query, defined here so that the session's library never includes the result set.

#include "odbc/todbc.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

std::unique_ptr<TDbOdbcDirect> TOdbc::Query(std::string_view sql, Location loc) {
  return std::make_unique<TDbOdbcDirect>(sql, this, loc);
}

}  // namespace tabulink
