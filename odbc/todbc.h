#pragma once
// One open connection to an ODBC data source: statements, column descriptions and values, the
// table catalog, options and transactions, and the error list that every operation feeds.

#include <sql.h>

#include <deque>
#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/value.h"
#include "odbc/adapters.h"
#include "odbc/column_description.h"
#include "odbc/connection.h"
#include "odbc/environment.h"
#include "odbc/statement.h"
#include "odbc/wrappers.h"

namespace tabulink {

// The result set of Query; declared by the result-set library, which also defines Query, so that
// this layer never includes it.
class TDbOdbcDirect;

// "On Procedure: <routine> Line: <line>" for the routine at `loc`.
std::string locationText(const std::source_location& loc);

// How a value read compares with the value the data source holds.
struct ValueFit {
  enum class Kind {
    Whole,
    Cut,  // the value keeps only its first keptBytes bytes
    // A number column's text that is no number, a date column's that is no date; the value holds
    // that text.
    NotConvertible,
    Rounded,  // a number its cache field holds only rounded (ColumnDescription::keepsDigits)
  };
  Kind kind = Kind::Whole;
  size_t keptBytes = 0;
  long long heldBytes = -1;  // Cut: the length of the whole value, -1 when the driver did not say
  // The bytes the value was made from, as the data source sent them (for a report that quotes
  // them); valid until the next read.
  std::string_view source;
};

// Reads column `column` (from 1) of `stmt`'s current row, described by `description`, through
// `buffer` (grown to the column's fetch length once); the result views the bytes in it.
ColumnRead readColumn(SQLHSTMT stmt, int column, const ColumnDescription& description,
                      std::vector<char>& buffer);

// Whether `read` delivered a column's whole value: without a failure, and for a text nothing left
// unread and, but for memos and numbers, nothing but blanks past the column's width. Its bytes
// (or its NULL) are then what the column's conversion takes, with nothing to read on or report.
// Asked for every value of every row, so the usual answer, a read that said nothing and is no
// longer than the column, is given here; readWholeOtherwise looks at every other read.
bool readWholeOtherwise(const ColumnDescription& description, const ColumnRead& read);
inline bool readWhole(const ColumnDescription& description, const ColumnRead& read) {
  return (read.rc == SQL_SUCCESS && read.bytes.size() <= static_cast<size_t>(description.length)) ||
         readWholeOtherwise(description, read);
}

// One entry of the error list; the members are its four elements, in order.
struct ErrorEntry {
  std::string operation;  // 1 what failed ("SQL Error" when the caller named nothing)
  std::string location;   // 2 "On Procedure: <routine> Line: <line>" of the caller
  std::string message;    // 3 "Class: <SQLSTATE>" CR LF <diagnostic> for a statement, else ""
  int code = 0;           // 4 native error code for a statement, else the return code
};

// One column of a table that `Create` makes: name, type letter, length, decimals and an optional
// trailing text (a constraint, say).
struct CreateField {
  std::string name;
  std::string type;
  int length = 0;
  int decimals = 0;
  std::optional<std::string> extra;
};

class TOdbc {
 public:
  using Location = std::source_location;

  // New: connects with "DSN=<dsn>[;UID=<user>];PWD=<password>" and switches auto-commit on. When
  // a value holds ";", "{", "}", "=", "+" or "%", it connects with the three as separate arguments
  // instead; cConnect then stays empty and cDSN is the name as given. The log-in waits at most
  // loginTimeout() seconds where the driver can bound it. Always gives an object; `lSuccess()`
  // says whether it connected.
  explicit TOdbc(std::string_view dsn = {}, std::string_view user = {},
                 std::string_view password = {}, bool showErrors = true,
                 Location loc = Location::current());
  ~TOdbc() = default;  // the guards disconnect and free what End has not
  TOdbc(const TOdbc&) = delete;
  TOdbc& operator=(const TOdbc&) = delete;

  // Creates a table; an absent name or field list shows a stop box and gives false.
  bool Create(const std::optional<std::string>& table,
              const std::optional<std::vector<CreateField>>& fields,
              Location loc = Location::current());
  // Disconnects and frees the connection and environment; the error list stays.
  void End();

  // A new statement on the connection; a guard holding no handle when that fails.
  OdbcStatement AllocStatement(Location loc = Location::current());
  // Drops the statement (SQL_DROP); the wrapper's return code, nothing recorded.
  int DropStatement(OdbcStatement& statement);

  // The descriptions of the result columns of `stmt`; empty on failure or without columns.
  // `datesAsText` defaults to lDateAsStr.
  std::vector<ColumnDescription> CursorFields(SQLHSTMT stmt,
                                              std::optional<bool> datesAsText = std::nullopt,
                                              Location loc = Location::current());
  // The converted value of column `column` (from 1) of the current row, absent for NULL (and for
  // a number column whose text is no number).
  Value GetValue(int column, SQLHSTMT stmt, const std::vector<ColumnDescription>& columns,
                 Location loc = Location::current());
  // The same for the fetch loop: reads through the caller's `buffer` (one per column, grown to
  // the column's fetch length once) into `out`, whose text capacity is reused from row to row.
  // Says whether `out` is the value whole.
  ValueFit GetValue(int column, SQLHSTMT stmt, const std::vector<ColumnDescription>& columns,
                    std::vector<char>& buffer, Value& out, Location loc = Location::current());
  // The same, naming `reader` ("TDbOdbcDirect" for a result set's fetch) in a failure's entry.
  ValueFit GetValue(int column, SQLHSTMT stmt, const std::vector<ColumnDescription>& columns,
                    std::vector<char>& buffer, Value& out, std::string_view reader,
                    Location loc = Location::current());
  // The value of a column read already (by a read-ahead, or by the GetValue above): a failed
  // read records its entry here, with the statement's diagnostics of that call. A memo or number
  // that read left unfinished is read on here (the column must then be the statement's current
  // one), unless `rest` holds that reading on done already.
  ValueFit GetValue(int column, SQLHSTMT stmt, const std::vector<ColumnDescription>& columns,
                    const ColumnRead& read, Value& out, std::string_view reader,
                    ValueRest* rest = nullptr, Location loc = Location::current());
  // The next row: true for SQL_SUCCESS and SQL_SUCCESS_WITH_INFO. A fetch that fails (rather
  // than running out of rows) records an entry with the statement's diagnostics.
  bool Fetch(SQLHSTMT stmt, Location loc = Location::current());
  // The same for a fetch made already, whose return code is `rc`.
  bool Fetched(int rc, SQLHSTMT stmt, Location loc = Location::current());
  // Runs `sql` on `stmt`, or on a statement of its own (dropped again) when none is passed; true
  // only for SQL_SUCCESS. An empty text gives false and records nothing.
  bool Execute(std::string_view sql, std::optional<std::string_view> operation = std::nullopt,
               std::optional<SQLHSTMT> stmt = std::nullopt, Location loc = Location::current());

  // Whether `sql`, prepared but not run, has result columns as the driver describes it. Nothing
  // is recorded: a statement that cannot be prepared has none here and fails when it runs.
  bool hasResultColumns(std::string_view sql);

  // A new result set of `sql` on this connection (defined by the result-set library); its errors
  // land on this connection's error list.
  std::unique_ptr<TDbOdbcDirect> Query(std::string_view sql, Location loc = Location::current());

  // The converted values of the first row of `sql`, or the empty list.
  std::vector<Value> QueryRow(std::string_view sql, Location loc = Location::current());
  // The first column of the first row of `sql`, or absent.
  Value QueryData(std::string_view sql, Location loc = Location::current());

  // Whether the catalog lists a table (of any type) matching the search pattern `name`; an empty
  // name gives false.
  bool File(std::string_view name, Location loc = Location::current());
  // Names of the tables matching `mask` ("*" as wildcard; empty for all), views only when
  // `includeViews`; system tables never.
  std::vector<std::string> GetTables(std::string_view mask = {}, bool includeViews = true,
                                     Location loc = Location::current());
  bool DelTable(std::string_view name, Location loc = Location::current());
  bool TruncateTable(std::string_view name, Location loc = Location::current());

  // Character-valued information of type `infoType`; 256 blanks after a failure.
  std::string GetInfo(int infoType, Location loc = Location::current());
  int SetOptions(int option, const OptionValue& value, Location loc = Location::current());
  // The 256-byte option buffer (longer for a text option that does not fit it: the whole text and
  // its terminating zero); 256 blanks after a failure.
  std::string GetOptions(int option, Location loc = Location::current());
  int Commit(Location loc = Location::current());
  int RollBack(Location loc = Location::current());

  // Appends an entry to the error list (at most 101 entries, the oldest dropped first); with a
  // statement handle (the null one included) the entry carries that statement's diagnostics.
  void NewError(std::optional<std::string_view> operation = std::nullopt,
                std::optional<std::string_view> location = std::nullopt,
                std::optional<SQLHSTMT> stmt = std::nullopt, std::optional<int> rc = std::nullopt,
                Location loc = Location::current());
  void ShowErrorList(std::string_view title = "ODBC Error list") const;
  bool IsError() const { return !errors_.empty(); }
  // Operation text of the newest entry, or "".
  std::string LastError() const;

  const std::deque<ErrorEntry>& aErrors() const { return errors_; }
  SQLHENV hEnv() const { return env_.handle(); }
  SQLHDBC hDbc() const { return dbc_.handle(); }
  const std::string& cConnect() const { return connect_; }
  const std::string& cDSN() const { return dsn_; }
  const std::string& cUser() const { return user_; }
  const std::string& cPassword() const { return password_; }
  bool lSuccess() const { return success_; }

  bool lShowError = true;   // show every new error entry in a message box
  bool lAbort = false;      // hand every new error entry to the run-time error handler
  bool lDateAsStr = false;  // default of CursorFields: dates and timestamps as text

 private:
  enum class Accept { SuccessOnly, SuccessWithInfo };
  // The one check after every ODBC call: whether `rc` is accepted, and if not, one error entry
  // for `operation` (a text, or a callable that builds it only when needed) with the
  // diagnostics of `stmt` when a statement is given, else with the return code.
  template <typename Operation>
  bool check(int rc, Accept accept, const Operation& operation, std::optional<SQLHSTMT> stmt,
             const Location& loc) {
    if (rc == SQL_SUCCESS || (rc == SQL_SUCCESS_WITH_INFO && accept == Accept::SuccessWithInfo))
      return true;
    if constexpr (std::is_invocable_v<const Operation&>) {
      std::string text = operation();
      NewError(std::string_view(text), std::nullopt, stmt, rc, loc);
    } else {
      NewError(operation, std::nullopt, stmt, rc, loc);
    }
    return false;
  }
  // What a value read on through `rest` amounts to: a failed call's entry (the statement's
  // diagnostics still those of that call), or a cut at kMaxColumnLength (never inside a
  // character).
  ValueFit restFit(int column, SQLHSTMT stmt, const ColumnDescription& description, ValueRest& rest,
                   std::string_view reader, const Location& loc);
  // The operation text of an entry for a failed read of `column`.
  static std::string readOperation(std::string_view reader, int column,
                                   const ColumnDescription& description);
  // DelTable and TruncateTable: `verb` + name when the catalog lists the table.
  bool executeOnTable(std::string_view name, std::string_view verb, std::string_view operation,
                      const Location& loc);

  std::deque<ErrorEntry> errors_;
  ValueRest readOn_;  // the last value GetValue read on itself
  OdbcEnvironment env_;
  OdbcConnection dbc_;
  std::string connect_;
  std::string dsn_;
  std::string user_;
  std::string password_;
  bool success_ = true;
  bool cancellable_ = false;  // a signal may cancel what Execute runs (cancelStatements)
};

}  // namespace tabulink
