#pragma once
// The thin wrappers: one routine per ODBC call of the narrow (ANSI) interface, with the fixed
// buffers and constants of each call. The only code that calls the driver manager. They keep no
// state and record nothing; every failure is reported only through the return code.

#include <sql.h>
#include <sqlext.h>

#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace tabulink {

// Return codes are the 16-bit ODBC codes sign-extended: 0, 1, 100, -1, -2.
// Handles are the driver manager's handle values; the null handle is 0.

// Allocates an environment with ODBC 2 behaviour (date/time type codes 9/10/11).
int SQLALLOCENV(SQLHENV& env);
int SQLALLOCCONNECT(SQLHENV env, SQLHDBC& dbc);
// Connects with `connect`; `completed` receives the completed string (at most 1,023 bytes, empty
// on failure) and `completedLength` the length the driver manager reported (0 on failure).
int SQLDRVC32(SQLHDBC dbc, SQLHWND window, std::string_view connect, std::string& completed,
              int& completedLength, int completion);
// Connects to data source `dsn` with `user` and `password` as three separate arguments, which no
// driver reads as connection attributes.
int SQLCONNECT(SQLHDBC dbc, std::string_view dsn, std::string_view user, std::string_view password);
int SQLALLOCSTMT(SQLHDBC dbc, SQLHSTMT& stmt);
int SQLEXECDIRECT(SQLHSTMT stmt, const std::string& sql);
int SQLPREPARE(SQLHSTMT stmt, const std::string& sql);
int SQLFREESTMT(SQLHSTMT stmt, int option);
// Asks the driver to stop what `stmt` runs; may be called from any thread.
int SQLCANCEL(SQLHSTMT stmt);
int SQLFETCH(SQLHSTMT stmt);
int SQLNUMRESULTCOLS(SQLHSTMT stmt, int& count);
// Describes one result column; on failure the name is empty and the numbers 0.
int SQLDESC32(SQLHSTMT stmt, int column, std::string& name, int& nameLength, int& sqlType,
              SQLULEN& columnSize, int& decimals, int& nullable);

// How many of the `held` bytes at `target` a call that reported `indicator` delivered: none for
// NULL or an empty value; with SQL_NO_TOTAL all of them, or a `text` up to its zero.
size_t deliveredBytes(const char* target, size_t held, SQLLEN indicator, bool text);

// Reads one column of the current row into the caller's buffer. `data` views the delivered bytes
// inside `buffer`: the first min(indicator, bytes held) bytes, where bytes held is the size less
// the terminating zero for SQL_C_CHAR; with SQL_NO_TOTAL, the bytes the buffer holds. NULL, an
// empty value and a failed call deliver nothing; a failed call sets the indicator to 0. Never
// reads or writes past `buffer`, whatever the driver reports.
int SQLGETD32(SQLHSTMT stmt, int column, int cType, std::span<char> buffer, std::string_view& data,
              SQLLEN& indicator);
// The same into a buffer of exactly `bufferSize` bytes allocated for this call.
int SQLGETD32(SQLHSTMT stmt, int column, int cType, std::string& data, int bufferSize,
              SQLLEN& indicator);

// Information of type `infoType`: on 0 or 1, `value` receives the bytes the driver reported (at
// most 255); otherwise it is left unchanged.
int SQLGETIN32(SQLHDBC dbc, int infoType, std::string& value);

// A connection option's value: a 32-bit number, or a text passed as a pointer to its bytes.
using OptionValue = std::variant<long, std::string>;
int SQLSETCONNECTOPTION(SQLHDBC dbc, int option, const OptionValue& value);
// Bytes of the zero-filled option buffer.
inline constexpr size_t kOptionBufferBytes = 256;
// On 0, `value` receives all bytes of the zero-filled option buffer: 256, or, for a text option
// longer than 255 bytes, the whole text and its terminating zero. Otherwise unchanged.
int SQLGETCONNECTOPTION(SQLHDBC dbc, int option, std::string& value);
int SQLTRANSACT(SQLHENV env, SQLHDBC dbc, int completion);
int SQLROLLBACK(SQLHENV env, SQLHDBC dbc);
// The catalog of tables; an empty argument is passed as a null pointer (no restriction).
int SQLTABLES(SQLHSTMT stmt, std::string_view catalog, std::string_view schema,
              std::string_view table, std::string_view types);
int SQLPRIMARYKEYS(SQLHSTMT stmt, std::string_view table);
// The next error record of the statement (of the connection when `stmt` is 0); no record or a
// failed call gives an empty SQLSTATE and message and the native code 0.
int SQLERROR(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, std::string& sqlState,
             SQLINTEGER& nativeError, std::string& message);
// The message text of the statement's first diagnostic record (at most 255 bytes), or "".
std::string SQLGETDIAGREC(SQLHSTMT stmt);
int SQLDISCONNECT(SQLHDBC dbc);
int SQLFREECONNECT(SQLHDBC dbc);
int SQLFREEENV(SQLHENV env);

}  // namespace tabulink
