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

// What one SQLGetData call delivered.
struct ColumnRead {
  std::string_view bytes;  // inside the buffer it was read into
  SQLLEN total = 0;        // the length the driver gave: the value's whole length, or SQL_NO_TOTAL
  int rc = SQL_SUCCESS;
  bool isNull = false;

  // Whether a text read through a buffer of `bufferLength` bytes (its terminating zero included)
  // left part of the value unread.
  bool cut(size_t bufferLength) const {
    return rc == SQL_SUCCESS_WITH_INFO &&
           (total == SQL_NO_TOTAL || (total > 0 && static_cast<size_t>(total) >= bufferLength));
  }
};
// Reads one column of the current row into the caller's reusable buffer; `read.bytes` views the
// bytes inside it. `read.isNull` is true exactly for SQL NULL (a value of unknown length is not
// NULL). Returns `read.rc`.
int SQLGETDATA(SQLHSTMT stmt, int column, int cType, std::span<char> buffer, ColumnRead& read);
// What reading on a text value that its first read cut gave.
struct ValueRest {
  std::string whole;  // the value up to the cap, the first read's bytes first
  // The last call: a failure, SQL_NO_DATA, or the read that finished the value or reached the
  // cap (its bytes are in `whole`, its view empty).
  ColumnRead last;
  size_t lastBuffer = 0;  // the bytes that call offered
  size_t before = 0;      // the bytes read before that call
};
// Reads on column `column` of the current row as text after `first`, read through a buffer of
// `firstBuffer` bytes, left part of it unread: each call asks for all the room left below `cap`
// bytes, so a value that fits is read in one more. Stops at the first call that fails.
void SQLGETDATAREST(SQLHSTMT stmt, int column, const ColumnRead& first, size_t firstBuffer,
                    size_t cap, ValueRest& rest);
// The same giving only the bytes and the null flag.
int SQLGETDATA(SQLHSTMT stmt, int column, int cType, std::span<char> buffer,
               std::string_view& value, bool& isNull);
// The same with a buffer of `bufferSize` bytes for this call only.
int SQLGETDATA(SQLHSTMT stmt, int column, int cType, int bufferSize, std::string& value,
               bool& isNull);

// The catalog rows of the tables matching the search pattern `mask` (every table when empty).
int SQLFILE(SQLHSTMT stmt, std::string_view mask);

// `value` becomes the information value, or 256 blanks when the call fails.
int SQLGETINFO(SQLHDBC dbc, int infoType, std::string& value);

int SQLCOMMIT(SQLHENV env, SQLHDBC dbc);

}  // namespace tabulink
