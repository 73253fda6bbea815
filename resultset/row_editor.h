#pragma once
// Row editing of a result set: a change is made in the cache table's current record first, then
// sent to the data source as an UPDATE, INSERT or DELETE of the statement's table, found by its key
// columns, after reading the row again so that a change made by someone else since is never
// overwritten. Refusals are alerts and a false result.

#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "odbc/column_description.h"
#include "odbc/statement.h"

namespace tabulink {

class DbfTable;
class TOdbc;

// A row's values as the cache holds them: also those of NULL columns (the cache's substitute).
struct HeldRow {
  std::vector<Value> values;
  std::vector<bool> isNull;
};

// What a row editor is given of the result set whose rows it edits.
class EditedResult {
 public:
  using Location = std::source_location;

  // The statement whose table is edited, the session it runs on (null: an unusable result set)
  // and its columns.
  virtual const std::string& statement() const = 0;
  virtual TOdbc* session() const = 0;
  virtual const std::vector<ColumnDescription>& columns() const = 0;
  // The cache table, null when there is none; its current record is the row edited.
  virtual DbfTable* cache() const = 0;
  // The current row's number, and a move to row n that fetches the rows up to it.
  virtual long position() = 0;
  virtual void moveTo(long n) = 0;
  // The current cache record as the cache holds it.
  virtual HeldRow heldRow() = 0;
  // The current row of `stmt` (a statement that selected the row again): into the current cache
  // record, or as the cache would hold it.
  virtual void storeRowOf(SQLHSTMT stmt) = 0;
  virtual HeldRow readRowOf(SQLHSTMT stmt) = 0;
  // Tells the user of a refusal.
  virtual void alert(std::string_view text, const Location& loc) = 0;

 protected:
  ~EditedResult() = default;
};

class RowEditor {
 public:
  using Location = std::source_location;

  explicit RowEditor(EditedResult& result) : result_(result) {}

  bool edit(const Location& loc);
  bool addNew(const Location& loc);
  // Puts `value` (absent: NULL) into column n (from 1) of the current row, entering edit mode.
  bool fieldPut(int n, const Value& value, const Location& loc);
  bool update(const Location& loc);
  bool cancel(const Location& loc);
  bool remove(const Location& loc);
  // Reads the current row again from the data source; a row gone there leaves the cache too.
  bool refreshCurrent(const Location& loc);
  // Whether the current row differs in the data source from the row held when edit mode began:
  // `changed` receives the numbers of the columns that differ, {0} when the row is gone, {-1}
  // when the check failed.
  bool recordHasChanged(std::vector<int>& changed, const Location& loc);
  // The row in edit or add mode, 0 when none.
  long editRecord() const { return editRecord_; }

  // Pieces of the generated statements: " (A , B) VALUES ('x' , 1)", "A = 'x' , B = 1", the key
  // condition "ID = 5 AND CODE = 'X'", and the statement that reads the current row again.
  std::string genAppend();
  std::string genUpdate();
  std::string genWhere(const Location& loc);
  std::string genCurRec(const Location& loc);

  // The key columns of the statement's table (upper case), from `keys` when given, else found
  // through the catalog; catalog failures recorded only when `showError`.
  std::vector<std::string> primaryKeys(const std::optional<std::vector<std::string>>& keys,
                                       bool showError, const Location& loc);
  // The table name after "FROM " in the statement; an alert and "" when there is none.
  std::string tableName(const Location& loc);

 private:
  bool inMode() const { return editRecord_ != 0; }
  void beginMode(bool adding);
  // The current row as the data source holds it: as it was when edit mode began on it, else as
  // the cache holds it.
  HeldRow sourceRow();
  // Runs genCurRec() on `statement` (allocated here); true when it ran.
  bool selectCurrentAgain(OdbcStatement& statement, std::string_view context, const Location& loc);
  // Runs `sql` on a statement of the session's own; failures go to its error list.
  bool executeAlone(std::string_view sql, std::string_view context, const Location& loc);
  void dropStatement(OdbcStatement& statement);
  // Deletes the current cache record and packs, then stands on the row that followed.
  void removeCurrentRecord();
  // "KEY1 = v1 AND KEY2 = v2" with the key values of `row`.
  std::string keyCondition(const std::vector<Value>& row, const Location& loc);
  // The changed columns joined by " , ": "NAME = value" each, or only the names or only the values
  // (those of the cache table's current record).
  std::string changedColumns(bool names, bool values);
  // The text a generated statement writes for `value` in column i (from 0).
  std::string valueText(size_t i, const Value& value, bool trimBoth) const;

  EditedResult& result_;
  // The row in edit mode as it was when the mode began (the reference for the change check and
  // the key values), or absent values in add mode. Kept apart from the fetch's row buffer, so
  // rows fetched meanwhile never change which row an update or delete finds.
  HeldRow editRow_;
  std::vector<bool> changed_;  // per column, whether a value was put in this mode
  bool adding_ = false;
  long editRecord_ = 0;
  std::vector<std::string> keys_;
};

}  // namespace tabulink
