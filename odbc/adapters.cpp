#include "odbc/adapters.h"

#include <algorithm>
#include <array>

namespace tabulink {
namespace {

// The room a value read on of unknown length gets in the first call after its first read.
constexpr size_t kFirstChunk = 4096;

// SQLSTATEs with which a driver or the driver manager refuses to complete a connection string
// when there is no window to prompt in; the driver manager reports them in their ODBC 2 form to
// an ODBC 2 application, so both forms count.
bool refusesCompletionWithoutWindow(SQLHDBC dbc) {
  static constexpr std::array<std::string_view, 7> kRefusals = {"IM008", "HY092", "S1092", "HYC00",
                                                                "S1C00", "HY110", "S1110"};
  std::string state;
  std::string message;
  SQLINTEGER native = 0;
  while (SQL_SUCCEEDED(SQLERROR(SQL_NULL_HENV, dbc, SQL_NULL_HSTMT, state, native, message))) {
    if (std::find(kRefusals.begin(), kRefusals.end(), state) != kRefusals.end()) return true;
  }
  return false;
}

}  // namespace

int SQLDRIVERCONNECT(SQLHDBC dbc, std::string& connect) {
  std::string completed;
  int completedLength = 0;
  // The driver manager here has no prompt dialog, so there is no parent window to pass.
  int rc = SQLDRVC32(dbc, nullptr, connect, completed, completedLength, SQL_DRIVER_COMPLETE);
  if (rc == SQL_ERROR && refusesCompletionWithoutWindow(dbc))
    rc = SQLDRVC32(dbc, nullptr, connect, completed, completedLength, SQL_DRIVER_NOPROMPT);
  connect = completed.substr(0, static_cast<size_t>(std::max(completedLength, 0)));
  return rc;
}

int SQLDESCRIBECOL(SQLHSTMT stmt, int column, std::string& name, int& sqlType, SQLULEN& columnSize,
                   int& decimals, bool& notNull) {
  int nameLength = 0;
  int nullable = 0;
  int rc = SQLDESC32(stmt, column, name, nameLength, sqlType, columnSize, decimals, nullable);
  name.resize(std::min(name.size(), static_cast<size_t>(std::max(nameLength, 0))));
  notNull = nullable == SQL_NO_NULLS && SQL_SUCCEEDED(rc);
  return rc;
}

int SQLGETDATA(SQLHSTMT stmt, int column, int cType, std::span<char> buffer, ColumnRead& read) {
  read.total = 0;
  read.rc = SQLGETD32(stmt, column, cType, buffer, read.bytes, read.total);
  read.isNull = read.total == SQL_NULL_DATA;
  return read.rc;
}

void SQLGETDATAREST(SQLHSTMT stmt, int column, const ColumnRead& first, size_t firstBuffer,
                    size_t cap, ValueRest& rest) {
  std::string& whole = rest.whole;
  whole.assign(first.bytes);
  rest.last = first;
  rest.last.bytes = {};
  rest.lastBuffer = firstBuffer;
  rest.before = 0;
  while (rest.last.cut(rest.lastBuffer) && whole.size() < cap) {
    // Room for what the driver says is left, or twice what came so far when it does not say:
    // drivers may fill the whole buffer, so one sized to the cap would cost that much.
    const size_t got = whole.size() - rest.before;  // by the last call
    const size_t wanted = rest.last.total > 0 && static_cast<size_t>(rest.last.total) > got
                              ? static_cast<size_t>(rest.last.total) - got
                              : std::max<size_t>(whole.size(), kFirstChunk);
    rest.before = whole.size();
    rest.lastBuffer = std::min(cap - rest.before, wanted) + 1;
    whole.resize(rest.before + rest.lastBuffer);
    ColumnRead& next = rest.last;
    SQLGETDATA(stmt, column, SQL_C_CHAR,
               std::span<char>(whole.data() + rest.before, rest.lastBuffer), next);
    whole.resize(rest.before + next.bytes.size());
    next.bytes = {};
    if (next.rc != SQL_SUCCESS && next.rc != SQL_SUCCESS_WITH_INFO) return;
  }
}

int SQLGETDATA(SQLHSTMT stmt, int column, int cType, std::span<char> buffer,
               std::string_view& value, bool& isNull) {
  ColumnRead read;
  SQLGETDATA(stmt, column, cType, buffer, read);
  value = read.bytes;
  isNull = read.isNull;
  return read.rc;
}

int SQLGETDATA(SQLHSTMT stmt, int column, int cType, int bufferSize, std::string& value,
               bool& isNull) {
  SQLLEN indicator = 0;
  int rc = SQLGETD32(stmt, column, cType, value, bufferSize, indicator);
  isNull = indicator == SQL_NULL_DATA;
  return rc;
}

int SQLFILE(SQLHSTMT stmt, std::string_view mask) {
  return SQLTABLES(stmt, {}, {}, mask, {});
}

int SQLGETINFO(SQLHDBC dbc, int infoType, std::string& value) {
  value.assign(256, ' ');
  return SQLGETIN32(dbc, infoType, value);
}

int SQLCOMMIT(SQLHENV env, SQLHDBC dbc) {
  return SQLTRANSACT(env, dbc, SQL_COMMIT);
}

}  // namespace tabulink
