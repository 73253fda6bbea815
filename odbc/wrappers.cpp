#include "odbc/wrappers.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tabulink {
namespace {

SQLCHAR* bytes(std::string& text) {
  return reinterpret_cast<SQLCHAR*>(text.data());
}

// The text up to its terminating zero, looking at no more than `limit` bytes.
std::string zeroTerminated(const SQLCHAR* buffer, size_t limit) {
  const char* text = reinterpret_cast<const char*>(buffer);
  return std::string(text, strnlen(text, limit));
}

// Longer than any path or name an option holds.
constexpr SQLINTEGER kLongestOptionText = 65536;

}  // namespace

int SQLALLOCENV(SQLHENV& env) {
  env = SQL_NULL_HENV;
  SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  if (!SQL_SUCCEEDED(rc)) return rc;
  // ODBC 2 behaviour: the session expects the date/time type codes 9, 10 and 11.
  SQLRETURN version =
      SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2), 0);
  return SQL_SUCCEEDED(version) ? rc : version;
}

int SQLALLOCCONNECT(SQLHENV env, SQLHDBC& dbc) {
  dbc = SQL_NULL_HDBC;
  return SQLAllocConnect(env, &dbc);
}

int SQLDRVC32(SQLHDBC dbc, SQLHWND window, std::string_view connect, std::string& completed,
              int& completedLength, int completion) {
  std::string in(connect);
  SQLCHAR out[1024] = {};
  SQLSMALLINT outLength = 0;
  SQLRETURN rc = SQLDriverConnect(dbc, window, bytes(in), static_cast<SQLSMALLINT>(in.size()), out,
                                  sizeof out, &outLength, static_cast<SQLUSMALLINT>(completion));
  if (SQL_SUCCEEDED(rc)) {
    completed = zeroTerminated(out, sizeof out - 1);
    completedLength = outLength;
  } else {
    completed.clear();
    completedLength = 0;
  }
  return rc;
}

int SQLCONNECT(SQLHDBC dbc, std::string_view dsn, std::string_view user,
               std::string_view password) {
  std::string texts[] = {std::string(dsn), std::string(user), std::string(password)};
  return SQLConnect(dbc, bytes(texts[0]), SQL_NTS, bytes(texts[1]), SQL_NTS, bytes(texts[2]),
                    SQL_NTS);
}

int SQLALLOCSTMT(SQLHDBC dbc, SQLHSTMT& stmt) {
  stmt = SQL_NULL_HSTMT;
  return SQLAllocStmt(dbc, &stmt);
}

int SQLEXECDIRECT(SQLHSTMT stmt, const std::string& sql) {
  return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
}

int SQLPREPARE(SQLHSTMT stmt, const std::string& sql) {
  return SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
}

int SQLFREESTMT(SQLHSTMT stmt, int option) {
  return SQLFreeStmt(stmt, static_cast<SQLUSMALLINT>(option));
}

int SQLCANCEL(SQLHSTMT stmt) {
  return SQLCancel(stmt);
}

int SQLFETCH(SQLHSTMT stmt) {
  return SQLFetch(stmt);
}

int SQLNUMRESULTCOLS(SQLHSTMT stmt, int& count) {
  SQLSMALLINT columns = 0;
  SQLRETURN rc = SQLNumResultCols(stmt, &columns);
  count = columns;
  return rc;
}

int SQLDESC32(SQLHSTMT stmt, int column, std::string& name, int& nameLength, int& sqlType,
              SQLULEN& columnSize, int& decimals, int& nullable) {
  SQLCHAR buffer[256] = {};
  SQLSMALLINT length = 0;
  SQLSMALLINT type = 0;
  SQLULEN size = 0;
  SQLSMALLINT digits = 0;
  SQLSMALLINT nulls = 0;
  SQLRETURN rc = SQLDescribeCol(stmt, static_cast<SQLUSMALLINT>(column), buffer, 255, &length,
                                &type, &size, &digits, &nulls);
  const bool ok = SQL_SUCCEEDED(rc);
  name = ok ? zeroTerminated(buffer, 255) : std::string();
  nameLength = ok ? length : 0;
  sqlType = ok ? type : 0;
  columnSize = ok ? size : 0;
  decimals = ok ? digits : 0;
  nullable = ok ? nulls : 0;
  return rc;
}

size_t deliveredBytes(const char* target, size_t held, SQLLEN indicator, bool text) {
  if (indicator > 0) return std::min(static_cast<size_t>(indicator), held);
  // Data of unknown length: what the buffer holds (a text up to its zero) is the value so far.
  if (indicator == SQL_NO_TOTAL) return text ? strnlen(target, held) : held;
  return 0;
}

int SQLGETD32(SQLHSTMT stmt, int column, int cType, std::span<char> buffer, std::string_view& data,
              SQLLEN& indicator) {
  // Fixed-size C types (timestamp, numbers) ignore the buffer length, so the driver writes them
  // into a scratch area large enough for any of them; only what fits is copied to `buffer`.
  const bool variable = cType == SQL_C_CHAR || cType == SQL_C_BINARY;
  alignas(std::max_align_t) char scratch[64];
  char* target = variable ? buffer.data() : scratch;
  const SQLLEN targetSize = variable ? static_cast<SQLLEN>(buffer.size()) : SQLLEN{sizeof scratch};
  indicator = 0;
  SQLRETURN rc = SQLGetData(stmt, static_cast<SQLUSMALLINT>(column),
                            static_cast<SQLSMALLINT>(cType), target, targetSize, &indicator);
  data = {};
  if (!SQL_SUCCEEDED(rc)) {
    indicator = 0;
    return rc;
  }
  // The terminating zero of a text is never part of the value.
  size_t held = cType == SQL_C_CHAR ? (buffer.empty() ? 0 : buffer.size() - 1) : buffer.size();
  if (!variable) held = std::min(held, sizeof scratch);
  const size_t delivered = deliveredBytes(target, held, indicator, cType == SQL_C_CHAR);
  if (!variable && delivered > 0) std::memcpy(buffer.data(), scratch, delivered);
  data = std::string_view(buffer.data(), delivered);
  return rc;
}

int SQLGETD32(SQLHSTMT stmt, int column, int cType, std::string& data, int bufferSize,
              SQLLEN& indicator) {
  std::vector<char> buffer(static_cast<size_t>(std::max(bufferSize, 0)));
  std::string_view delivered;
  int rc = SQLGETD32(stmt, column, cType, std::span<char>(buffer), delivered, indicator);
  data.assign(delivered);
  return rc;
}

int SQLGETIN32(SQLHDBC dbc, int infoType, std::string& value) {
  char buffer[256] = {};
  SQLSMALLINT length = 0;
  SQLRETURN rc =
      SQLGetInfo(dbc, static_cast<SQLUSMALLINT>(infoType), buffer, sizeof buffer, &length);
  if (SQL_SUCCEEDED(rc)) value.assign(buffer, std::clamp<size_t>(length, 0, 255));
  return rc;
}

int SQLSETCONNECTOPTION(SQLHDBC dbc, int option, const OptionValue& value) {
  SQLULEN argument = 0;
  if (const std::string* text = std::get_if<std::string>(&value)) {
    argument = reinterpret_cast<std::uintptr_t>(text->c_str());
  } else {
    argument = static_cast<SQLULEN>(static_cast<SQLUINTEGER>(std::get<long>(value)));
  }
  return SQLSetConnectOption(dbc, static_cast<SQLUSMALLINT>(option), argument);
}

int SQLGETCONNECTOPTION(SQLHDBC dbc, int option, std::string& value) {
  // The 256 bytes are not a bound every text option keeps to (the driver manager keeps a trace
  // file's path whole), so the option is read with its length, and a text that may have been cut
  // is read again into a buffer with room for it (the driver manager warns of a cut unless a
  // byte is left over after the terminating zero).
  std::vector<char> buffer(kOptionBufferBytes);
  SQLINTEGER length = 0;
  SQLRETURN rc = SQL_ERROR;
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::fill(buffer.begin(), buffer.end(), '\0');
    length = 0;
    rc = SQLGetConnectAttr(dbc, static_cast<SQLINTEGER>(option), buffer.data(),
                           static_cast<SQLINTEGER>(buffer.size()), &length);
    // A length no text option could have is not believed; the warning then stands.
    if (rc != SQL_SUCCESS_WITH_INFO || length < 0 ||
        static_cast<size_t>(length) + 1 < buffer.size() || length > kLongestOptionText)
      break;
    buffer.resize(static_cast<size_t>(length) + 2);
  }
  if (rc != SQL_SUCCESS) return rc;
  // The value and its zero; never less than the 256 bytes of the option buffer.
  const size_t size =
      buffer.size() == kOptionBufferBytes ? kOptionBufferBytes : static_cast<size_t>(length) + 1;
  value.assign(buffer.data(), size);
  return rc;
}

int SQLTRANSACT(SQLHENV env, SQLHDBC dbc, int completion) {
  return SQLTransact(env, dbc, static_cast<SQLUSMALLINT>(completion));
}

int SQLROLLBACK(SQLHENV env, SQLHDBC dbc) {
  return SQLTRANSACT(env, dbc, SQL_ROLLBACK);
}

int SQLTABLES(SQLHSTMT stmt, std::string_view catalog, std::string_view schema,
              std::string_view table, std::string_view types) {
  std::string texts[] = {std::string(catalog), std::string(schema), std::string(table),
                         std::string(types)};
  auto argument = [&](int i) { return texts[i].empty() ? nullptr : bytes(texts[i]); };
  return SQLTables(stmt, argument(0), SQL_NTS, argument(1), SQL_NTS, argument(2), SQL_NTS,
                   argument(3), SQL_NTS);
}

int SQLPRIMARYKEYS(SQLHSTMT stmt, std::string_view table) {
  std::string name(table);
  return SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, bytes(name),
                        static_cast<SQLSMALLINT>(name.size()));
}

int SQLERROR(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, std::string& sqlState,
             SQLINTEGER& nativeError, std::string& message) {
  SQLCHAR state[256] = {};
  SQLCHAR text[256] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  SQLRETURN rc = SQLError(env, dbc, stmt, state, &native, text, sizeof text, &length);
  if (SQL_SUCCEEDED(rc)) {
    sqlState = zeroTerminated(state, 5);
    nativeError = native;
    message = zeroTerminated(text, sizeof text - 1);
  } else {
    sqlState.clear();
    nativeError = 0;
    message.clear();
  }
  return rc;
}

std::string SQLGETDIAGREC(SQLHSTMT stmt) {
  SQLCHAR state[6] = {};
  SQLCHAR text[256] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  SQLRETURN rc =
      SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, text, sizeof text, &length);
  if (!SQL_SUCCEEDED(rc)) return {};
  return zeroTerminated(text, std::clamp<size_t>(length, 0, 255));
}

int SQLDISCONNECT(SQLHDBC dbc) {
  return SQLDisconnect(dbc);
}
int SQLFREECONNECT(SQLHDBC dbc) {
  return SQLFreeConnect(dbc);
}
int SQLFREEENV(SQLHENV env) {
  return SQLFreeEnv(env);
}

}  // namespace tabulink
