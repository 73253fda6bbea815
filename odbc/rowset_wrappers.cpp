#include "odbc/rowset_wrappers.h"

#include "odbc/wrappers.h"

namespace tabulink {

int SQLGETINFO32(SQLHDBC dbc, int infoType, SQLUINTEGER& value) {
  value = 0;
  SQLSMALLINT length = 0;
  const SQLRETURN rc =
      SQLGetInfo(dbc, static_cast<SQLUSMALLINT>(infoType), &value, sizeof value, &length);
  if (!SQL_SUCCEEDED(rc)) value = 0;
  return rc;
}

bool SQLFUNCTIONOFFERED(SQLHDBC dbc, int function) {
  SQLUSMALLINT offered = SQL_FALSE;
  return SQL_SUCCEEDED(SQLGetFunctions(dbc, static_cast<SQLUSMALLINT>(function), &offered)) &&
         offered == SQL_TRUE;
}

int SQLSETSTMTATTR(SQLHSTMT stmt, int attribute, SQLULEN value) {
  return SQLSetStmtAttr(stmt, attribute, reinterpret_cast<SQLPOINTER>(value), 0);
}

int SQLSETSTMTATTR(SQLHSTMT stmt, int attribute, void* pointer) {
  return SQLSetStmtAttr(stmt, attribute, pointer, 0);
}

int SQLGETSTMTATTR32(SQLHSTMT stmt, int attribute, SQLULEN& value) {
  value = 0;
  const SQLRETURN rc = SQLGetStmtAttr(stmt, attribute, &value, 0, nullptr);
  if (!SQL_SUCCEEDED(rc)) value = 0;
  return rc;
}

int SQLBINDCOL(SQLHSTMT stmt, int column, int cType, std::span<char> value, SQLLEN* indicator) {
  return SQLBindCol(stmt, static_cast<SQLUSMALLINT>(column), static_cast<SQLSMALLINT>(cType),
                    value.data(), static_cast<SQLLEN>(value.size()), indicator);
}

int SQLPOSITION(SQLHSTMT stmt, int row) {
  return SQLSetPos(stmt, static_cast<SQLSETPOSIROW>(row), SQL_POSITION, SQL_LOCK_NO_CHANGE);
}

std::string_view boundText(std::span<const char> buffer, SQLLEN indicator) {
  // The terminating zero is never part of the value.
  const size_t held = buffer.empty() ? 0 : buffer.size() - 1;
  return std::string_view(buffer.data(), deliveredBytes(buffer.data(), held, indicator, true));
}

}  // namespace tabulink
