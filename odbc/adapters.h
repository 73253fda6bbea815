#pragma once
// The adapters over the wrappers that the session and the result set call: they supply buffer
// sizes and fixed arguments and cut returned texts to the length the driver reported.

#include <span>
#include <string>
#include <string_view>

#include "odbc/wrappers.h"

namespace tabulink {

// Connects with `connect` and completion mode SQL_DRIVER_COMPLETE without a parent window (the
// driver manager here shows no prompts); a driver that refuses that mode without a window is
// asked again with SQL_DRIVER_NOPROMPT. `connect` becomes the completed connection string.
int SQLDRIVERCONNECT(SQLHDBC dbc, std::string& connect);

// Describes one result column; `notNull` is true exactly for SQL_NO_NULLS.
int SQLDESCRIBECOL(SQLHSTMT stmt, int column, std::string& name, int& sqlType, SQLULEN& columnSize,
                   int& decimals, bool& notNull);

// Reads one column of the current row into the caller's reusable buffer; `value` views the bytes
// inside it. `isNull` is true exactly for SQL NULL (a value of unknown length is not NULL).
int SQLGETDATA(SQLHSTMT stmt, int column, int cType, std::span<char> buffer,
               std::string_view& value, bool& isNull);
// What one such call delivered.
struct ColumnRead {
  int rc = SQL_SUCCESS;
  std::string_view bytes;  // inside the buffer it was read into
  bool isNull = false;
};
// The same with a buffer of `bufferSize` bytes for this call only.
int SQLGETDATA(SQLHSTMT stmt, int column, int cType, int bufferSize, std::string& value,
               bool& isNull);

// The catalog rows of the tables matching the search pattern `mask` (every table when empty).
int SQLFILE(SQLHSTMT stmt, std::string_view mask);

// `value` becomes the information value, or 256 blanks when the call fails.
int SQLGETINFO(SQLHDBC dbc, int infoType, std::string& value);

int SQLCOMMIT(SQLHENV env, SQLHDBC dbc);

}  // namespace tabulink
