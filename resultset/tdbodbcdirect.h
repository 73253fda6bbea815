#pragma once
// TDbOdbcDirect: the result of one SELECT, executed on a statement of its own. Every fetched row
// is appended at once to a temporary DBF cache table, which then serves navigation and values; a
// result read once (a file export) holds only its current row, as the row reader took it.

#include <functional>
#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

#include "core/number_text.h"
#include "core/value.h"
#include "gui/ui.h"
#include "odbc/column_description.h"
#include "odbc/statement.h"
#include "resultset/column_plan.h"
#include "resultset/row_editor.h"
#include "resultset/row_reader.h"
#include "resultset/row_source.h"
#include "table/dbf_layout.h"
#include "table/field_description.h"

namespace tabulink {

class TOdbc;
class DbfTable;

// A row of a result set as its cache record holds it, or, for a result read once, as the row
// reader took it, for reading every column of the row in turn without finding the table for each
// (columns from 0). Valid until the row changes.
class CachedRow {
 public:
  bool isNull(size_t i) const { return flag(i) == kNullFlag; }
  // Whether column i, of a number column, holds a text that is no number, as the data source
  // sent it (SQLite lets a column declared as a number hold "EARTH"): its field holds the text.
  bool isNumberText(size_t i) const { return flag(i) == kNumberTextFlag; }
  // Whether column i's value is longer than its cache field, which holds only its beginning.
  bool isLonger(size_t i) const { return flag(i) == kLongerFlag; }
  // The bytes of column i: of its cache field (a number as right-aligned text, a text filled to
  // the field's width), or as the row reader took them (a text as read); see RowReader::bytes.
  std::string_view bytes(size_t i) const {
    if (i >= columns_) return {};
    if (reader_ != nullptr) return reader_->bytes(i);
    return record_.substr(plans_[i].field.offset, plans_[i].field.length);
  }
  // Column i's number as the plain text its numeric field holds (plainNumberText: the field's
  // decimals, no blanks), which every output writes; empty where the field holds none, whose
  // value is then read.
  std::string_view numberText(size_t i) const {
    if (i >= columns_ || plans_[i].field.kind != FieldKind::Numeric || flag(i) != kValueFlag)
      return {};
    if (reader_ != nullptr) return reader_->numberText(i);
    return plainNumberText(bytes(i), plans_[i].field.decimals);
  }
  // Whether those bytes are the value's text as it is (a character column, not NULL).
  bool isText(size_t i) const { return heldAsText(i) && !isNull(i) && !isLonger(i); }
  // Whether column i's field holds its values' texts as they are, when it holds all of one.
  bool heldAsText(size_t i) const { return i < columns_ && plans_[i].heldAsText; }

  // Column i's byte in the cache's flag field: a value, NULL, a number column's text, or a text
  // longer than its field (held whole in the column's memo field beside it). A writer that asks
  // several questions of a cell reads it once.
  char flag(size_t i) const { return i < flags_.size() ? flags_[i] : kValueFlag; }
  static constexpr char kValueFlag = '0';
  static constexpr char kNullFlag = '1';
  static constexpr char kNumberTextFlag = '2';
  static constexpr char kLongerFlag = 'W';

  // Whether column i's cache field is of `kind`.
  bool heldAs(size_t i, FieldKind kind) const {
    return i < columns_ && plans_[i].field.kind == kind;
  }
  // Column i's cache field; null for a column the row does not have.
  const DbfField* field(size_t i) const { return i < columns_ ? &plans_[i].field : nullptr; }
  // Whether the row is the one the row reader took (a result read once), not a cache record: a
  // date field's bytes are then those of a real date, a number field's its plain text.
  bool isTaken() const { return reader_ != nullptr; }
  // Whether column i's bytes are a memo's whole text: of the row reader's row (a cache record's
  // memo field holds only the text's block).
  bool holdsMemoText(size_t i) const { return isTaken() && heldAs(i, FieldKind::Memo); }

 private:
  friend class TDbOdbcDirect;

  std::string_view record_;
  std::string_view flags_;             // the record's flag field, or the row reader's flags
  const RowReader* reader_ = nullptr;  // the row read once, in place of a record
  const ColumnPlan* plans_ = nullptr;
  size_t columns_ = 0;
};

// Row editing is its RowEditor's, which sees the result set as an EditedResult.
class TDbOdbcDirect : private EditedResult {
 public:
  using Location = std::source_location;
  // Called with the row just fetched by a timer tick, or 0 once the fill has ended.
  using ProgressCallback = std::function<void(long row, TDbOdbcDirect& resultSet)>;

  // New: allocates a statement on `oConnect` (not owned; it must outlive the result set),
  // completes a bare table name to "SELECT * FROM <name>" and executes.
  // A null session gives an unusable object. The caller tests oConnect->IsError() afterwards.
  TDbOdbcDirect(std::string_view cSelect, TOdbc* oConnect, Location loc = Location::current());
  ~TDbOdbcDirect();  // End()
  TDbOdbcDirect(const TDbOdbcDirect&) = delete;
  TDbOdbcDirect& operator=(const TDbOdbcDirect&) = delete;

  // Releases the statement and the timer, closes the cache table and deletes its files. A second
  // call does nothing.
  void End();

  // Forwarded to the session.
  bool Execute(std::string_view sql, std::string_view context, SQLHSTMT stmt,
               Location loc = Location::current());
  OdbcStatement AllocStatement(Location loc = Location::current());
  int DropStatement(OdbcStatement& statement);
  std::vector<ColumnDescription> CursorFields(SQLHSTMT stmt, Location loc = Location::current());

  // Describes the columns, creates the cache table, opens it in a new work area (left current)
  // and fetches the first row. False when the cache table could not be made. A result read once
  // (see readsOnce) makes no cache table: it holds only its current row, the row reader's.
  bool Open();

  // From here on the rows still to come are read on a second thread ahead of their use, while
  // the caller works on the current one. Only for a result set that is then read in order to its
  // end or ended, with nothing else using the session meanwhile (a file export): the rows passed
  // are not read again, and the cache table gives their space back as the reading goes on. Where
  // no second thread can be started, rows are read as they are needed, as before.
  void ReadAhead();

  // Fetches every remaining row (stopping a timer fill) and returns the number of rows.
  long Complete();
  // Executes the statement again and fills the cache table anew with as many rows as it held
  // (all when the result was complete), back on the same record number. When the execution
  // fails the rows held stay and the session's error list has the entry.
  void Refresh();
  // Starts the timer fill owned by the active window, or stops it when `window` is 0.
  void AutoFill(WindowId window, int intervalMs = 5, ProgressCallback callback = {});
  // One tick of the timer fill.
  void TimerEvent();
  // Stops fetching (the user asked to): the statement is cancelled and released, and the rows
  // held so far are the result, which FetchStopped() then marks as not the whole one.
  void StopFetching();
  bool FetchStopped() const { return fetchStopped_; }
  // Whether a timer fill runs, so that rows may still arrive.
  bool IsFilling() const { return oTimer_ != nullptr; }
  // The rows the cache table holds now, fetching none.
  long RowsHeld() const;

  // Column n (from 1): the name, bracketed when it holds a blank; the plain names of all columns.
  std::string FieldName(int n) const;
  std::vector<std::string> FieldNames() const;
  char FieldType(int n) const;  // 'C', 'N', 'D', 'L', 'M' or 'U'
  int FieldLen(int n) const;
  int FieldDec(int n) const;
  int FCount() const { return nFields_; }
  // The first column whose scan name (upper case, blanks as "_") begins with `name` upper-cased.
  int FieldPos(std::string_view name) const;

  // Column n of the current row; absent when null.
  Value FieldGet(int n);
  // The same into `out`, reusing the capacity of a text it already holds (for loops over rows).
  void FieldGet(int n, Value& out);
  bool FieldIsNull(int n);
  // The current row as the cache record holds it, or as the row reader took it for a result read
  // once; no columns when there is neither.
  CachedRow CurrentRow();
  // Column i (from 0) of the current row as FieldGet gives it, for a caller that has found it
  // not NULL in CurrentRow(); absent when there is no cache table.
  void CachedValue(size_t i, Value& out);
  // Row n (from 1) as the cache table holds it now, read into `record` (the caller's bytes) without
  // moving the current record, where a timer fill appends and an edit is made; no columns when
  // the cache holds no row n. For a reader beside them (CacheReader).
  CachedRow ReadRow(long n, std::string& record);
  // Column i of `row` (a row of this result set's cache, or the row read once) that is not NULL
  // there, as FieldGet gives it; absent when there is no cache table.
  void RowValue(const CachedRow& row, size_t i, Value& out);

  void GoTop();
  void GoBottom();
  void Goto(long n);
  long Recno();
  void Skip(long n = 1);
  bool Eof();  // on the last row of a complete result
  bool Bof();
  long RecCount();  // completes the result, keeping the position
  bool IsComplete() const;
  // Whether the rows ended in a failed fetch (recorded on the session's error list) instead of
  // at the end of the data: the rows held are then not the whole result.
  bool RowsEndedInError() const { return rows_.endedInError(); }

  // The key columns of the statement's table (upper case), from `keys` when given, else found
  // through the catalog; catalog failures recorded only when `showError`.
  std::vector<std::string> PrimaryKeys(const std::optional<std::vector<std::string>>& keys = {},
                                       bool showError = true, Location loc = Location::current());
  // The table name after "FROM " in the statement; an alert and "" when there is none.
  std::string TableName(Location loc = Location::current());

  // Row editing: a change is made in the cache table first, then sent to the data source as an
  // UPDATE, INSERT or DELETE of the statement's table, found by its key columns. Refusals are
  // alerts and a false result.
  bool Edit(Location loc = Location::current());
  bool AddNew(Location loc = Location::current());
  // Puts `value` (absent: NULL) into column n of the current row, entering edit mode.
  bool FieldPut(int n, const Value& value, Location loc = Location::current());
  bool Update(Location loc = Location::current());
  bool Cancel(Location loc = Location::current());
  bool Delete(Location loc = Location::current());
  // Reads the current row again from the data source; a row gone there leaves the cache too.
  bool RefreshCurrent(Location loc = Location::current());
  // Whether the current row differs in the data source from the row held when edit mode began:
  // `changed` receives the numbers of the columns that differ, {0} when the row is gone, {-1}
  // when the check failed.
  bool RecordHasChanged(std::vector<int>& changed, Location loc = Location::current());

  // Pieces of the generated statements: " (A , B) VALUES ('x' , 1)", "A = 'x' , B = 1", the key
  // condition "ID = 5 AND CODE = 'X'", and the statement that reads the current row again.
  std::string GenAppend();
  std::string GenUpdate();
  std::string GenWhere(Location loc = Location::current());
  std::string GenCurRec(Location loc = Location::current());

  // Columns by name (FieldPos): the value of the current row, absent when NULL; an assignment
  // puts the value as FieldPut does. A name that matches no column raises the run-time error
  // "No exported method" (1004) or "No exported variable" (1005).
  Value Column(std::string_view name);
  bool SetColumn(std::string_view name, const Value& value, Location loc = Location::current());

  // An entry on the session's error list for `stmt`, located at the caller.
  void SQLError(SQLHSTMT stmt, std::string_view text = {}, Location loc = Location::current());
  // An alert in a message box "Ostrel Alert message" when lShowAlerts; kept in cLastError.
  void SQLAlert(std::string_view text, Location loc = Location::current());

  int nWorkArea() const { return nWorkArea_; }
  long nEditRecord() const { return editor_.editRecord(); }
  const std::string& cSelect() const { return cSelect_; }
  const std::string& cLastError() const { return cLastError_; }

  std::string cFileName;  // the cache table's path; chosen by Open when empty
  std::string cAlias;     // its alias; the file's base name when empty
  std::string cRDD;       // the table driver of the cache table
  bool lDateAsStr = false;
  // Character values are read and held whole past the width the driver described (for an output
  // without cells); set before Open.
  bool textsWhole = false;
  // Whether the rows will be read once, in order, from the first to the end or an End (a file
  // export). Such a result makes no cache table and holds its current row only until the next
  // one is read. Set before Open.
  bool readsOnce = false;
  bool lShowAlerts = true;

 private:
  // Stops the fill timer. A timer is never destroyed inside its own tick: one ended there waits
  // in retiredTimers_ until the next tick or End.
  void endTimer();
  DbfTable* cache() const override;
  // Chooses a free cache-table name and creates the table there exclusively.
  bool createCacheTable(const std::vector<FieldDescription>& structure);
  void deleteCacheFiles();

  // Fetching: the next row, taken by the row reader; a timer tick or an export fills the cache.
  bool Fill(long nRows = 1);
  bool Fetch();
  // The row laid out in `record` with the cache's `fields` (its flags field after the columns).
  CachedRow rowIn(std::string_view record, const std::vector<DbfField>& fields) const;
  // The number of the row being read: the one the cache appends next, or the next one of a
  // result read once.
  long rowBeingRead() const;
  // Reads the next row of a result read once; false at the end of the rows.
  bool readNextRow();

  // The result set as its row editor sees it (row_editing.cpp).
  const std::string& statement() const override { return cSelect_; }
  TOdbc* session() const override { return oConnect_; }
  const std::vector<ColumnDescription>& columns() const override { return aFields_; }
  long position() override { return Recno(); }
  void moveTo(long n) override { Goto(n); }
  HeldRow heldRow() override;
  void storeRowOf(SQLHSTMT stmt) override;
  HeldRow readRowOf(SQLHSTMT stmt) override;
  void alert(std::string_view text, const Location& loc) override { SQLAlert(text, loc); }

  TOdbc* oConnect_ = nullptr;
  RowSource rows_;  // the statement's rows still to come
  std::unique_ptr<UiTimer> oTimer_;
  std::vector<std::unique_ptr<UiTimer>> retiredTimers_;
  ProgressCallback bTimerEval_;
  std::vector<ColumnDescription> aFields_;
  std::vector<std::string> aScanFields_;
  RowReader reader_{rows_, aFields_};  // turns each fetched row into the cache's row
  size_t cacheFieldCount_ = 0;         // the fields of the cache table made by Open
  // A result read once holds only its current row, the one the reader took last, instead of a
  // cache table; rowsRead_ counts its rows so far.
  bool readOnce_ = false;
  long rowsRead_ = 0;
  int nFields_ = 0;
  int nWorkArea_ = 0;
  bool cacheCreated_ = false;
  bool fetchStopped_ = false;
  bool filling_ = false;
  int ticking_ = 0;
  std::string cSelect_;
  std::string cLastError_;
  RowEditor editor_{*this};
};

// The name enclosed in "[" "]" when, trimmed, it still holds a blank; else unchanged.
std::string CHKSP(std::string_view name);
// A cache-table file name: the directory, "__", ten random letters and digits (no other user can
// guess the name and take it first), "." and `extension`; one that no file holds yet, or "" when
// kTempFileTries names were all taken.
constexpr int kTempFileTries = 100;
std::string CTEMPFILE(std::string_view directory, std::string_view extension);
// Where cache tables go: TEMP, then TMP, then TMPDIR (the first one set and not empty), else /tmp.
std::string cacheDirectory();

// Where the fill reports a value it could not keep whole (a number too wide for its cache field, a
// cut text, a number column's text that is no number); the driver installs its error collection
// here at start-up. Until then such messages are dropped.
using FillReporter = std::function<void(std::string_view message)>;
void installFillReporter(FillReporter reporter);

}  // namespace tabulink
