// Changing, adding and deleting rows of the statement's table: in the cache table first, then in
// the data source through a generated UPDATE, INSERT or DELETE, after reading the row again so
// that a change made by someone else since is never overwritten.

#include <algorithm>

#include "failure/error_block.h"
#include "odbc/todbc.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"

namespace tabulink {
namespace {

bool noRow(long recno, DbfTable* table) {
  return recno == 0 || table == nullptr || table->recCount() == 0;
}

// A column name that matches no column: the error of a message the class does not understand.
void raiseNoColumn(int gencode, int subcode, std::string_view name) {
  RunError error = makeRunError(gencode, "BASE", subcode);
  error.OPERATION = std::string(name);
  error.ARGS = {Value("TDBODBCDIRECT")};
  raiseError(error);
}

}  // namespace

TDbOdbcDirect::HeldRow TDbOdbcDirect::currentRow() {
  HeldRow row;
  DbfTable* table = cache();
  for (int n = 1; n <= nFields_; ++n) {
    Value value;
    if (table != nullptr) CachedValue(static_cast<size_t>(n - 1), value);
    row.values.push_back(std::move(value));
    row.isNull.push_back(FieldIsNull(n));
  }
  return row;
}

TDbOdbcDirect::HeldRow TDbOdbcDirect::sourceRow() {
  return inMode() && !adding_ && nEditRecord_ == Recno() ? editRow_ : currentRow();
}

void TDbOdbcDirect::beginMode(bool adding) {
  if (adding) {
    editRow_.values.assign(aFields_.size(), Value());
    editRow_.isNull.assign(aFields_.size(), true);
  } else {
    editRow_ = currentRow();
  }
  for (ColumnDescription& column : aFields_)
    column.changed = false;
  adding_ = adding;
  nEditRecord_ = Recno();
}

bool TDbOdbcDirect::Edit(Location loc) {
  if (noRow(Recno(), cache())) {
    SQLAlert("Table empty, Edit mode not allowed", loc);
    return false;
  }
  if (nEditRecord_ == Recno()) return true;
  if (PrimaryKeys({}, true, loc).empty()) {
    nEditRecord_ = 0;
    SQLAlert("No primary keys found on this table, Edit mode not allowed", loc);
    return false;
  }
  beginMode(false);
  return true;
}

bool TDbOdbcDirect::AddNew(Location loc) {
  if (inMode() && nEditRecord_ == Recno()) return true;
  if (PrimaryKeys({}, true, loc).empty()) {
    SQLAlert("No primary keys found on this table, AddNew mode not allowed", loc);
    nEditRecord_ = 0;
    return false;
  }
  DbfTable* table = cache();
  if (table == nullptr || !table->append()) return false;
  beginMode(true);
  return true;
}

bool TDbOdbcDirect::FieldPut(int n, const Value& value, Location loc) {
  if (!Edit(loc)) {
    SQLAlert("Edit mode not supported on this query", loc);
    return false;
  }
  DbfTable* table = cache();
  if (table == nullptr || n < 1 || n > nFields_) return false;
  const size_t i = static_cast<size_t>(n - 1);
  ColumnDescription& column = aFields_[i];
  // A NULL is held as the cache's substitute with the column's null flag set; a value clears the
  // flag, so that what was put is what the generated statement writes.
  Value stored = value;
  if (value.isAbsent()) column.convert({}, column.length, stored);
  if (!table->put(i, stored)) return false;
  std::string flags(table->bytes(static_cast<size_t>(nFields_)));
  flags.resize(static_cast<size_t>(nFields_), '0');
  flags[i] = value.isAbsent() ? '1' : '0';
  table->put(static_cast<size_t>(nFields_), Value(flags));
  column.changed = true;
  return true;
}

Value TDbOdbcDirect::Column(std::string_view name) {
  const int n = FieldPos(name);
  if (n == 0) {
    raiseNoColumn(EG_NOMETHOD, 1004, name);
    return {};
  }
  return FieldGet(n);
}

bool TDbOdbcDirect::SetColumn(std::string_view name, const Value& value, Location loc) {
  const int n = FieldPos(name);
  if (n == 0) {
    raiseNoColumn(EG_NOVARMETHOD, 1005, name);
    return false;
  }
  return FieldPut(n, value, loc);
}

bool TDbOdbcDirect::Update(Location loc) {
  if (!inMode() || nEditRecord_ != Recno()) {
    SQLAlert("Invalid use of Update(), the table should be in Edit or AddNew mode", loc);
    return false;
  }
  // Nothing put: nothing to send, and the mode ends as after an update that ran; a row added
  // without values is not kept, as the data source never got it.
  if (std::none_of(aFields_.begin(), aFields_.end(),
                   [](const ColumnDescription& column) { return column.changed; })) {
    if (adding_) removeCurrentRecord();
    nEditRecord_ = 0;
    return true;
  }
  std::string statement;
  if (adding_) {
    statement = "INSERT INTO " + TableName(loc) + GenAppend();
  } else {
    statement = "UPDATE " + TableName(loc) + " SET " + GenUpdate() + " WHERE " + GenWhere(loc);
    std::vector<int> changed;
    if (RecordHasChanged(changed, loc)) {
      if (changed.front() == 0) {
        SQLAlert("Record has been deleted since the last retrieve operation, Update aborted", loc);
      } else {
        std::string numbers;
        for (int number : changed)
          numbers += (numbers.empty() ? "" : ", ") + std::to_string(number);
        SQLAlert("Some record fields (" + numbers +
                     ") have change since the last retrieve operation, Update aborted",
                 loc);
      }
      return false;
    }
  }
  const bool ran = executeAlone(statement, "TDbOdbcDirect:Update()", loc);
  Goto(nEditRecord_);
  // The mode ends first: the row is then read again by its key as written, a changed key too.
  nEditRecord_ = 0;
  if (ran) {
    RefreshCurrent(loc);
  } else if (adding_) {
    removeCurrentRecord();
  }
  return ran;
}

bool TDbOdbcDirect::Cancel(Location loc) {
  if (!inMode() || nEditRecord_ != Recno()) {
    SQLAlert("Invalid use of Cancel(), the table should be in Edit or AddNew mode", loc);
    return false;
  }
  if (adding_) removeCurrentRecord();
  nEditRecord_ = 0;
  return true;
}

bool TDbOdbcDirect::Delete(Location loc) {
  if (noRow(Recno(), cache())) {
    SQLAlert("Table empty, Delete not allowed", loc);
    return false;
  }
  // A row being added is not in the data source yet: deleting it drops it, as Cancel does.
  if (inMode() && adding_ && nEditRecord_ == Recno()) return Cancel(loc);
  if (PrimaryKeys({}, true, loc).empty()) {
    SQLAlert("No primary keys found on this table, Delete not allowed", loc);
    return false;
  }
  // Changed columns do not stop a delete; a row gone does.
  std::vector<int> changed;
  if (RecordHasChanged(changed, loc) && changed.front() == 0) {
    SQLAlert("Record has been deleted since the last retrieve operation, Delete aborted", loc);
    return false;
  }
  // The row is found by its key as the data source holds it, not as edited since.
  const bool ran = executeAlone(
      "DELETE FROM " + TableName(loc) + " WHERE " + keyCondition(sourceRow().values, loc),
      "TDbOdbcDirect:Delete()", loc);
  if (ran) {
    if (nEditRecord_ == Recno()) nEditRecord_ = 0;
    removeCurrentRecord();
  }
  return ran;
}

bool TDbOdbcDirect::executeAlone(std::string_view sql, std::string_view context,
                                 const Location& loc) {
  return oConnect_ != nullptr && oConnect_->Execute(sql, context, std::nullopt, loc);
}

void TDbOdbcDirect::removeCurrentRecord() {
  DbfTable* table = cache();
  if (table == nullptr) return;
  const long position = Recno();
  table->deleteRecord();
  table->pack();
  Goto(position);
}

bool TDbOdbcDirect::selectCurrentAgain(OdbcStatement& statement, std::string_view context,
                                       const Location& loc) {
  statement = AllocStatement(loc);
  return Execute(GenCurRec(loc), context, statement.handle(), loc);
}

bool TDbOdbcDirect::RefreshCurrent(Location loc) {
  if (PrimaryKeys({}, true, loc).empty()) {
    SQLAlert("No primary keys found on this table, RefreshCurrent not supported", loc);
    return false;
  }
  OdbcStatement statement;
  if (!selectCurrentAgain(statement, "TDbOdbcDirect:RefreshCurrent()", loc)) {
    DropStatement(statement);
    return false;
  }
  DbfTable* table = cache();
  if (SQLFETCH(statement.handle()) != SQL_SUCCESS) {
    removeCurrentRecord();
  } else if (table != nullptr) {
    takeRow(1, statement.handle());
    storeRow(*table);
  }
  DropStatement(statement);
  return true;
}

bool TDbOdbcDirect::RecordHasChanged(std::vector<int>& changed, Location loc) {
  if (PrimaryKeys({}, true, loc).empty()) {
    SQLAlert("No primary keys found on this table, RecordHasChanged not supported", loc);
    changed = {-1};
    return true;
  }
  changed.clear();
  // The reference: the row as it was when edit mode began, else as it is held now.
  const HeldRow reference = sourceRow();
  OdbcStatement statement;
  if (!selectCurrentAgain(statement, "TDbOdbcDirect:RecordHasChanged()", loc)) {
    DropStatement(statement);
    changed = {-1};
    return true;
  }
  if (SQLFETCH(statement.handle()) != SQL_SUCCESS) {
    changed = {0};
  } else {
    Load(1, statement.handle());
    for (int n = 1; n <= nFields_; ++n) {
      const size_t i = static_cast<size_t>(n - 1);
      if (reference.isNull[i] != (aIsNull_[i] == CachedRow::kNullFlag) ||
          valueText(n, reference.values[i], false) != valueText(n, aBuffer_[i], false))
        changed.push_back(n);
    }
  }
  DropStatement(statement);
  return !changed.empty();
}

}  // namespace tabulink
