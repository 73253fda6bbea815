#include "odbc/todbc.h"

#include <algorithm>
#include <span>

#include "core/process_settings.h"
#include "core/text.h"
#include "failure/error_block.h"
#include "gui/ui.h"
#include "odbc/adapters.h"
#include "odbc/connection_string.h"

namespace tabulink {
namespace {

// The routine a compiler signature names, without return type, parameters and our namespace:
// "void tabulink::OPENODBC(const std::string&)" gives "OPENODBC".
std::string routineName(std::string_view signature) {
  static constexpr std::string_view kAnonymous = "(anonymous namespace)";
  size_t start = 0;
  size_t end = signature.size();
  int angle = 0;
  for (size_t i = 0; i < signature.size(); ++i) {
    char c = signature[i];
    if (c == '<') {
      ++angle;
    } else if (c == '>' && angle > 0) {
      --angle;
    } else if (angle == 0 && c == ' ') {
      start = i + 1;
    } else if (angle == 0 && c == '(') {
      if (signature.substr(i).starts_with(kAnonymous)) {
        i += kAnonymous.size() - 1;
        continue;
      }
      end = i;
      break;
    }
  }
  std::string name(signature.substr(start, end - start));
  for (std::string_view prefix : {"tabulink::", "(anonymous namespace)::", "{anonymous}::"}) {
    for (size_t at = name.find(prefix); at != std::string::npos; at = name.find(prefix))
      name.erase(at, prefix.size());
  }
  return name;
}

// Length of `text` without a trailing multi-byte UTF-8 character that a cut left unfinished.
size_t withoutCutCharacter(std::string_view text) {
  size_t lead = text.size();
  for (int i = 0; i < 3 && lead > 0 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80;
       ++i)
    --lead;
  if (lead == 0) return text.size();
  const unsigned char first = static_cast<unsigned char>(text[lead - 1]);
  const size_t needed = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
  return text.size() - (lead - 1) < needed ? lead - 1 : text.size();
}

// Whether a text column's bytes hold more than blanks past its width.
bool beyondWidth(std::string_view bytes, int width) {
  return bytes.size() > static_cast<size_t>(width) &&
         bytes.find_first_not_of(' ', static_cast<size_t>(width)) != std::string_view::npos;
}

// SQLSTATE and native code of the next error record of the statement (or of the connection when
// the statement handle is null); the message of an entry comes from SQLGETDIAGREC instead.
int SQLERROR32(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, std::string& sqlState,
               SQLINTEGER& nativeError) {
  std::string unusedMessage;
  return SQLERROR(env, dbc, stmt, sqlState, nativeError, unusedMessage);
}

}  // namespace

bool readWholeOtherwise(const ColumnDescription& description, const ColumnRead& read) {
  if (read.rc != SQL_SUCCESS && read.rc != SQL_SUCCESS_WITH_INFO) return false;
  // A structure (a timestamp) comes whole, NULL as NULL.
  if (read.isNull || description.cType != SQL_C_CHAR) return true;
  return !read.cut(description.fetchLength()) &&
         (description.readsWhole() || !beyondWidth(read.bytes, description.length));
}

std::string locationText(const std::source_location& loc) {
  return "On Procedure: " + routineName(loc.function_name()) +
         " Line: " + std::to_string(loc.line());
}

TOdbc::TOdbc(std::string_view dsn, std::string_view user, std::string_view password,
             bool showErrors, Location loc)
    : lShowError(showErrors), dsn_(trim(dsn)), user_(trim(user)), password_(trim(password)) {
  dbc_ = OdbcConnection(env_.handle());
  // A server that accepts and never answers would hold the log-in for good. A driver that cannot
  // bound it refuses the option; the log-in then goes on as before.
  SQLSETCONNECTOPTION(hDbc(), SQL_LOGIN_TIMEOUT, long{loginTimeout()});
  std::optional<std::string> connect = connectionString(dsn_, user_, password_);
  // Values that a connection string could misread travel as separate arguments.
  const bool connected =
      connect ? check(SQLDRIVERCONNECT(hDbc(), *connect), Accept::SuccessWithInfo,
                      "SQLDriverConnect error from TODbc:New()", std::nullopt, loc)
              : check(SQLCONNECT(hDbc(), dsn_, user_, password_), Accept::SuccessWithInfo,
                      "SQLConnect error from TODbc:New()", std::nullopt, loc);
  if (!connected) {
    success_ = false;
    return;
  }
  if (connect) {
    connect_ = std::move(*connect);
    dsn_ = firstAttributeValue(connect_);
  }
  check(SQLSETCONNECTOPTION(hDbc(), SQL_AUTOCOMMIT, long{SQL_AUTOCOMMIT_ON}), Accept::SuccessOnly,
        "AutoCommit could not be set from TOdbc:New()", std::nullopt, loc);
  // The SQLite driver runs the statement in this process, which ends it anyway, and its SQLCancel
  // closes the cursor under the thread that uses it: its statements are never cancelled.
  std::string dbms;
  cancellable_ =
      SQLGETINFO(hDbc(), SQL_DBMS_NAME, dbms) == SQL_SUCCESS && !dbms.starts_with("SQLite");
}

bool TOdbc::Create(const std::optional<std::string>& table,
                   const std::optional<std::vector<CreateField>>& fields, Location loc) {
  if (!table) {
    ui().messageBox("TOdbc:Create)", "Fieldname invalid", MessageIcon::Stop);
    return false;
  }
  std::string sql = trim(*table).find(' ') != std::string_view::npos
                        ? "CREATE TABLE [" + *table + "] ( "
                        : "CREATE TABLE " + *table + " ( ";
  if (!fields) {
    ui().messageBox("TOdbc:Create)", "Fields info array invalid", MessageIcon::Stop);
    return false;
  }
  for (size_t i = 0; i < fields->size(); ++i) {
    const CreateField& field = (*fields)[i];
    if (i > 0) sql += ", ";
    std::string type = upper(field.type);
    if (type == "C") {
      sql += field.name + " Char(" + std::to_string(field.length) + ")";
    } else if (type == "L") {
      sql += field.name + " Bit";
    } else if (type == "N") {
      sql += field.name + " Numeric(" + std::to_string(field.length) + ", " +
             std::to_string(field.decimals) + ")";
    } else if (type == "M") {
      sql += field.name + " Text";
    } else if (type == "D") {
      sql += field.name + " Datetime";
    }
    if (field.extra) sql += " " + *field.extra;
  }
  sql += " )";
  return Execute(sql, "oOdbc:Create()", std::nullopt, loc);
}

void TOdbc::End() {
  dbc_.reset();
  env_.reset();
}

OdbcStatement TOdbc::AllocStatement(Location loc) {
  OdbcStatement statement(hDbc());
  check(statement.status(), Accept::SuccessWithInfo, "TOdbc:AllocStatement()", statement.handle(),
        loc);
  return statement;
}

int TOdbc::DropStatement(OdbcStatement& statement) {
  return statement.drop();
}

std::vector<ColumnDescription> TOdbc::CursorFields(SQLHSTMT stmt, std::optional<bool> datesAsText,
                                                   Location loc) {
  const bool asText = datesAsText.value_or(lDateAsStr);
  int count = 0;
  if (!check(SQLNUMRESULTCOLS(stmt, count), Accept::SuccessWithInfo, "TOdbc:SQLNumResultCols()",
             stmt, loc))
    return {};
  std::vector<ColumnDescription> columns;
  columns.reserve(static_cast<size_t>(std::max(count, 0)));
  for (int column = 1; column <= count; ++column) {
    std::string name;
    int sqlType = 0;
    SQLULEN size = 0;
    int decimals = 0;
    bool notNull = false;
    if (!check(SQLDESCRIBECOL(stmt, column, name, sqlType, size, decimals, notNull),
               Accept::SuccessWithInfo, "TOdbc:SQLDescribeCol()", stmt, loc))
      return {};
    columns.push_back(describeColumn(name, sqlType, size, decimals, notNull, asText));
  }
  return columns;
}

Value TOdbc::GetValue(int column, SQLHSTMT stmt, const std::vector<ColumnDescription>& columns,
                      Location loc) {
  std::vector<char> buffer;
  Value value;
  if (GetValue(column, stmt, columns, buffer, value, loc).kind == ValueFit::Kind::NotConvertible)
    value = Value();
  return value;
}

ValueFit TOdbc::GetValue(int column, SQLHSTMT stmt, const std::vector<ColumnDescription>& columns,
                         std::vector<char>& buffer, Value& out, Location loc) {
  return GetValue(column, stmt, columns, buffer, out, "TOdbc", loc);
}

ColumnRead readColumn(SQLHSTMT stmt, int column, const ColumnDescription& description,
                      std::vector<char>& buffer) {
  const size_t bufferLength = description.fetchLength();
  if (buffer.size() < bufferLength) buffer.resize(bufferLength);
  ColumnRead read;
  SQLGETDATA(stmt, column, description.cType, std::span<char>(buffer.data(), bufferLength), read);
  return read;
}

ValueFit TOdbc::GetValue(int column, SQLHSTMT stmt, const std::vector<ColumnDescription>& columns,
                         std::vector<char>& buffer, Value& out, std::string_view reader,
                         Location loc) {
  const ColumnRead read =
      readColumn(stmt, column, columns.at(static_cast<size_t>(column - 1)), buffer);
  return GetValue(column, stmt, columns, read, out, reader, nullptr, loc);
}

std::string TOdbc::readOperation(std::string_view reader, int column,
                                 const ColumnDescription& description) {
  return std::string(reader) + ":GetValue(" + std::to_string(column) +
         "), nType: " + std::to_string(description.sqlType) +
         ", Len: " + std::to_string(description.fetchLength());
}

ValueFit TOdbc::GetValue(int column, SQLHSTMT stmt, const std::vector<ColumnDescription>& columns,
                         const ColumnRead& read, Value& out, std::string_view reader,
                         ValueRest* rest, Location loc) {
  const ColumnDescription& description = columns.at(static_cast<size_t>(column - 1));
  // Truncation (SQL_SUCCESS_WITH_INFO) is no failure: the rest is read on, or the cut reported.
  check(
      read.rc, Accept::SuccessWithInfo, [&] { return readOperation(reader, column, description); },
      stmt, loc);
  if (read.isNull) {
    out = Value();
    return {};
  }
  ValueFit fit;
  std::string_view bytes = read.bytes;
  if (description.cType == SQL_C_CHAR) {
    if (description.readsWhole()) {
      if (read.cut(description.fetchLength())) {
        if (rest == nullptr) {
          rest = &readOn_;
          SQLGETDATAREST(stmt, column, read, description.fetchLength(), kMaxColumnLength, readOn_);
        }
        fit = restFit(column, stmt, description, *rest, reader, loc);
        bytes = rest->whole;
      }
    } else if (read.cut(description.fetchLength()) || beyondWidth(bytes, description.length)) {
      fit.kind = ValueFit::Kind::Cut;
      fit.keptBytes = static_cast<size_t>(description.length);
      if (read.total > 0) fit.heldBytes = read.total;
    }
  }
  // A text read whole is filled to its length but never cut to it.
  const int width =
      description.wholeText
          ? static_cast<int>(std::max(bytes.size(), static_cast<size_t>(description.length)))
          : description.length;
  fit.source = bytes;
  if (!description.convert(bytes, width, out)) {
    fit.kind = ValueFit::Kind::NotConvertible;
  } else if (fit.kind == ValueFit::Kind::Whole && out.isNumber() &&
             !description.keepsDigits(bytes, out.number().value)) {
    fit.kind = ValueFit::Kind::Rounded;
  }
  return fit;
}

ValueFit TOdbc::restFit(int column, SQLHSTMT stmt, const ColumnDescription& description,
                        ValueRest& rest, std::string_view reader, const Location& loc) {
  const ColumnRead& last = rest.last;
  if (last.rc == SQL_NO_DATA) return {};
  if (!check(
          last.rc, Accept::SuccessWithInfo,
          [&] { return readOperation(reader, column, description); }, stmt, loc))
    return {};
  if (!last.cut(rest.lastBuffer)) return {};
  ValueFit fit;
  fit.kind = ValueFit::Kind::Cut;
  if (last.total > 0)
    fit.heldBytes = static_cast<long long>(rest.before + static_cast<size_t>(last.total));
  // The cap may fall inside a character.
  rest.whole.resize(withoutCutCharacter(rest.whole));
  fit.keptBytes = rest.whole.size();
  return fit;
}

bool TOdbc::Fetch(SQLHSTMT stmt, Location loc) {
  return Fetched(SQLFETCH(stmt), stmt, loc);
}

bool TOdbc::Fetched(int rc, SQLHSTMT stmt, Location loc) {
  // A warning still delivers its row; only a failure, not the end of the rows, is recorded.
  if (rc == SQL_NO_DATA) return false;
  return check(rc, Accept::SuccessWithInfo, "TOdbc:Fetch()", stmt, loc);
}

bool TOdbc::Execute(std::string_view sql, std::optional<std::string_view> operation,
                    std::optional<SQLHSTMT> stmt, Location loc) {
  if (sql.empty()) return false;
  OdbcStatement own;
  if (!stmt) {
    own = AllocStatement(loc);
    stmt = own.handle();
  }
  if (*stmt == SQL_NULL_HSTMT) return false;
  Execution running(cancellable_ ? *stmt : SQL_NULL_HSTMT);
  return check(SQLEXECDIRECT(*stmt, std::string(sql)), Accept::SuccessOnly, operation, stmt, loc);
}

bool TOdbc::hasResultColumns(std::string_view sql) {
  OdbcStatement statement(hDbc());
  if (statement.handle() == SQL_NULL_HSTMT) return false;
  auto succeeded = [](int rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; };
  int count = 0;
  return succeeded(SQLPREPARE(statement.handle(), std::string(sql))) &&
         succeeded(SQLNUMRESULTCOLS(statement.handle(), count)) && count > 0;
}

std::vector<Value> TOdbc::QueryRow(std::string_view sql, Location loc) {
  OdbcStatement statement = AllocStatement(loc);
  if (!Execute(sql, "EXECUTE statement on RUN method", statement.handle(), loc)) return {};
  if (!Fetch(statement.handle(), loc)) return {};
  std::vector<ColumnDescription> columns = CursorFields(statement.handle(), std::nullopt, loc);
  if (columns.empty()) {
    ui().messageBox("TOdbc:Query()", "No data reported by the query", MessageIcon::Stop);
    return {};
  }
  std::vector<Value> row;
  row.reserve(columns.size());
  for (size_t column = 1; column <= columns.size(); ++column)
    row.push_back(GetValue(static_cast<int>(column), statement.handle(), columns, loc));
  return row;
}

Value TOdbc::QueryData(std::string_view sql, Location loc) {
  std::vector<Value> row = QueryRow(sql, loc);
  return row.empty() ? Value() : row.front();
}

bool TOdbc::File(std::string_view name, Location loc) {
  if (name.empty()) return false;
  OdbcStatement statement = AllocStatement(loc);
  if (statement.handle() == SQL_NULL_HSTMT) return false;
  if (!check(SQLFILE(statement.handle(), name), Accept::SuccessOnly, "TOdbc:File()",
             statement.handle(), loc))
    return false;
  return Fetch(statement.handle(), loc);
}

std::vector<std::string> TOdbc::GetTables(std::string_view mask, bool includeViews, Location loc) {
  std::string pattern(mask);
  std::replace(pattern.begin(), pattern.end(), '*', '%');
  OdbcStatement statement = AllocStatement(loc);
  const SQLHSTMT stmt = statement.handle();
  if (!check(SQLFILE(stmt, pattern), Accept::SuccessOnly, "TOdbc:SQLFile()", stmt, loc)) return {};
  std::vector<std::string> names;
  std::vector<char> nameBuffer(255);
  std::vector<char> typeBuffer(255);
  while (Fetch(stmt, loc)) {
    std::string_view name;
    std::string_view type;
    bool isNull = false;
    // A catalog row that cannot be read ends the listing with the names gathered so far.
    if (SQLGETDATA(stmt, 3, SQL_C_CHAR, nameBuffer, name, isNull) != SQL_SUCCESS) break;
    if (SQLGETDATA(stmt, 4, SQL_C_CHAR, typeBuffer, type, isNull) != SQL_SUCCESS) break;
    // A prefix test: "SYSTEM TABLE", "ALIAS" and "SYNONYM" are never listed.
    if (type.starts_with("TABLE") || (includeViews && type.starts_with("VIEW")))
      names.emplace_back(name);
  }
  return names;
}

bool TOdbc::executeOnTable(std::string_view name, std::string_view verb, std::string_view operation,
                           const Location& loc) {
  if (!File(name, loc)) return false;
  return Execute(std::string(verb) + std::string(name), operation, std::nullopt, loc);
}

bool TOdbc::DelTable(std::string_view name, Location loc) {
  return executeOnTable(name, "DROP TABLE ", "TOdbc:DelTable()", loc);
}

bool TOdbc::TruncateTable(std::string_view name, Location loc) {
  return executeOnTable(name, "TRUNCATE TABLE ", "TOdbc:TruncateTable()", loc);
}

std::string TOdbc::GetInfo(int infoType, Location loc) {
  std::string value;
  check(SQLGETINFO(hDbc(), infoType, value), Accept::SuccessOnly,
        "SQLGetInfo error from TODbc:GetInfo()", std::nullopt, loc);
  return value;
}

int TOdbc::SetOptions(int option, const OptionValue& value, Location loc) {
  int rc = SQLSETCONNECTOPTION(hDbc(), option, value);
  check(rc, Accept::SuccessOnly, "SQLSetConn error from TODbc:SetOptions()", std::nullopt, loc);
  return rc;
}

std::string TOdbc::GetOptions(int option, Location loc) {
  std::string value(kOptionBufferBytes, ' ');
  check(SQLGETCONNECTOPTION(hDbc(), option, value), Accept::SuccessOnly,
        "SQLGetConn error from TODbc:GetOptions()", std::nullopt, loc);
  return value;
}

int TOdbc::Commit(Location loc) {
  int rc = SQLCOMMIT(hEnv(), hDbc());
  check(rc, Accept::SuccessOnly, "SQLCommit error from TODbc:Commit()", std::nullopt, loc);
  return rc;
}

int TOdbc::RollBack(Location loc) {
  int rc = SQLROLLBACK(hEnv(), hDbc());
  check(rc, Accept::SuccessOnly, "SQLRollBack error from TODbc:Rollback()", std::nullopt, loc);
  return rc;
}

void TOdbc::NewError(std::optional<std::string_view> operation,
                     std::optional<std::string_view> location, std::optional<SQLHSTMT> stmt,
                     std::optional<int> rc, Location loc) {
  ErrorEntry entry;
  entry.operation = operation ? std::string(*operation) : "SQL Error";
  entry.location = location ? std::string(*location) : locationText(loc);
  if (stmt) {
    std::string sqlState;
    SQLINTEGER native = 0;
    SQLERROR32(hEnv(), hDbc(), *stmt, sqlState, native);
    entry.code = native;
    entry.message = "Class: " + std::string(trimRight(sqlState));
    std::string diagnostic = SQLGETDIAGREC(*stmt);
    if (!diagnostic.empty()) entry.message += "\r\n" + diagnostic;
  } else {
    entry.code = rc.value_or(0);
  }
  if (errors_.size() > 100) errors_.pop_front();
  errors_.push_back(entry);

  if (lShowError) {
    ui().messageBox("Alert",
                    entry.operation + "\r\n[# " + std::to_string(entry.code) + "] " +
                        entry.message + "\r\n\r\n" + entry.location,
                    MessageIcon::Exclamation);
  }
  if (lAbort) {
    RunError error;
    error.SUBSYSTEM = "QVERROR";
    error.SUBCODE = entry.code;
    error.SEVERITY = 2;
    error.DESCRIPTION = entry.message;
    error.OPERATION = entry.operation;
    // Recording cannot be repeated, so the handler's answer changes nothing here.
    raiseError(error);
  }
}

void TOdbc::ShowErrorList(std::string_view title) const {
  if (errors_.empty()) {
    ui().messageBox(title, "No errors on ODBC connection", MessageIcon::Information);
    return;
  }
  std::vector<std::string> lines;
  lines.reserve(errors_.size());
  for (const ErrorEntry& entry : errors_) {
    lines.push_back(entry.operation + "\t" + entry.location + "\t" + entry.message +
                    "Retcode: " + std::to_string(entry.code));
  }
  ui().listDialog(title, lines);
}

std::string TOdbc::LastError() const {
  return errors_.empty() ? std::string() : errors_.back().operation;
}

}  // namespace tabulink
