#pragma once
// The thin wrappers of the calls that fetch rows in blocks into bound columns, and of the
// driver information that says whether a driver offers that. The driver manager forbids
// SQLExtendedFetch on a statement that SQLFetch has fetched from (and the other way round); an
// array size set as a statement attribute makes SQLFetch itself fetch blocks, even for an ODBC 2
// application, so fetching a row on its own before and after the blocks stays allowed.

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <span>
#include <string_view>

namespace tabulink {

// A 32-bit information value (a bit mask); `value` is 0 when the call fails.
int SQLGETINFO32(SQLHDBC dbc, int infoType, SQLUINTEGER& value);
// Whether the driver offers the function `function` (an SQL_API_ code); false when the call fails.
bool SQLFUNCTIONOFFERED(SQLHDBC dbc, int function);
int SQLSETSTMTATTR(SQLHSTMT stmt, int attribute, SQLULEN value);
// The same for an attribute whose value is a pointer the driver writes through (null: none).
int SQLSETSTMTATTR(SQLHSTMT stmt, int attribute, void* pointer);
// A statement attribute that is a number; `value` is 0 when the call fails.
int SQLGETSTMTATTR32(SQLHSTMT stmt, int attribute, SQLULEN& value);
// Binds column `column` to the buffer `value` and the length at `indicator` (of the first row of
// a block; the row bind type says where the others lie).
int SQLBINDCOL(SQLHSTMT stmt, int column, int cType, std::span<char> value, SQLLEN* indicator);
// Makes row `row` (numbered from 1) of the block the current one, for SQLGetData.
int SQLPOSITION(SQLHSTMT stmt, int row);

// The text a bound value of `buffer.size()` bytes delivered by `indicator`: as SQLGETD32 gives it
// for SQL_C_CHAR.
std::string_view boundText(std::span<const char> buffer, SQLLEN indicator);

}  // namespace tabulink
