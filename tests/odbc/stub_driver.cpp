// A minimal ODBC driver for behaviours the real drivers do not show on demand: it refuses
// SQL_DRIVER_COMPLETE without a window, as some drivers do, answering any other connect with the
// connection string it got plus ";COMPLETION=<mode>"; every statement has one column and two
// rows, the first of which comes with a warning (SQLSTATE 01004). Its value is a 20-character
// text whose length is never told (SQL_NO_TOTAL), or, asked for as a timestamp, a full 16-byte
// structure written whatever the buffer length, as drivers do for fixed-size types.

#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <string>

namespace {

struct Handle {
  std::string sqlState;  // of the last failure or warning; empty when none
  std::string message;
  int rowsFetched = 0;  // statements only
};

Handle* handleOf(SQLHANDLE handle) {
  return static_cast<Handle*>(handle);
}

void copyOut(const std::string& text, SQLCHAR* out, SQLSMALLINT max, SQLSMALLINT* length) {
  if (length) *length = static_cast<SQLSMALLINT>(text.size());
  if (!out || max <= 0) return;
  size_t n = std::min(text.size(), static_cast<size_t>(max - 1));
  std::memcpy(out, text.data(), n);
  out[n] = 0;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT, SQLHANDLE, SQLHANDLE* output) {
  *output = new Handle;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT, SQLHANDLE handle) {
  delete handleOf(handle);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER) {
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER) {
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC dbc, SQLHWND window, SQLCHAR* in, SQLSMALLINT inLength,
                                   SQLCHAR* out, SQLSMALLINT outMax, SQLSMALLINT* outLength,
                                   SQLUSMALLINT completion) {
  Handle* connection = handleOf(dbc);
  if (window == nullptr && completion != SQL_DRIVER_NOPROMPT) {
    connection->sqlState = "HYC00";
    connection->message = "Prompting is not supported without a window";
    return SQL_ERROR;
  }
  connection->sqlState.clear();
  std::string text = inLength == SQL_NTS
                         ? std::string(reinterpret_cast<char*>(in))
                         : std::string(reinterpret_cast<char*>(in), static_cast<size_t>(inLength));
  copyOut(text + ";COMPLETION=" + std::to_string(completion), out, outMax, outLength);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC) {
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT, SQLHANDLE handle, SQLSMALLINT record, SQLCHAR* state,
                                SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT max,
                                SQLSMALLINT* length) {
  Handle* h = handleOf(handle);
  if (record != 1 || h->sqlState.empty()) return SQL_NO_DATA;
  copyOut(h->sqlState, state, 6, nullptr);
  if (native) *native = 0;
  copyOut(h->message, message, max, length);
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT stmt, SQLCHAR*, SQLINTEGER) {
  handleOf(stmt)->rowsFetched = 0;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT, SQLSMALLINT* count) {
  *count = 1;
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT stmt) {
  Handle* statement = handleOf(stmt);
  statement->sqlState.clear();
  switch (++statement->rowsFetched) {
    case 1:
      statement->sqlState = "01004";
      statement->message = "String data, right truncated";
      return SQL_SUCCESS_WITH_INFO;
    case 2:
      return SQL_SUCCESS;
    default:
      return SQL_NO_DATA;
  }
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT cType, SQLPOINTER value,
                             SQLLEN max, SQLLEN* indicator) {
  if (cType == SQL_C_TIMESTAMP) {
    SQL_TIMESTAMP_STRUCT stamp{2005, 3, 1, 9, 5, 7, 123000000};
    std::memcpy(value, &stamp, sizeof stamp);
    *indicator = sizeof stamp;
    return SQL_SUCCESS;
  }
  const std::string text = "0123456789abcdefghij";
  SQLSMALLINT ignored = 0;
  copyOut(text, static_cast<SQLCHAR*>(value), static_cast<SQLSMALLINT>(max), &ignored);
  *indicator = SQL_NO_TOTAL;
  return max > static_cast<SQLLEN>(text.size()) ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT, SQLUSMALLINT) {
  return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT max,
                             SQLSMALLINT* length) {
  copyOut(type == SQL_DRIVER_ODBC_VER ? "03.00" : "", static_cast<SQLCHAR*>(value), max, length);
  return SQL_SUCCESS;
}

}  // extern "C"
