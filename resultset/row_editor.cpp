// Changing, adding and deleting rows of the statement's table: in the cache table first, then in
// the data source through a generated UPDATE, INSERT or DELETE, after reading the row again so
// that a change made by someone else since is never overwritten.

#include "resultset/row_editor.h"

#include <algorithm>

#include "odbc/todbc.h"
#include "table/dbf_table.h"

namespace tabulink {
namespace {

bool noRow(long recno, DbfTable* table) {
  return recno == 0 || table == nullptr || table->recCount() == 0;
}

}  // namespace

HeldRow RowEditor::sourceRow() {
  return inMode() && !adding_ && editRecord_ == result_.position() ? editRow_ : result_.heldRow();
}

void RowEditor::beginMode(bool adding) {
  const std::vector<ColumnDescription>& columns = result_.columns();
  if (adding) {
    editRow_.values.assign(columns.size(), Value());
    editRow_.isNull.assign(columns.size(), true);
  } else {
    editRow_ = result_.heldRow();
  }
  changed_.assign(columns.size(), false);
  adding_ = adding;
  editRecord_ = result_.position();
}

bool RowEditor::edit(const Location& loc) {
  const long current = result_.position();
  if (noRow(current, result_.cache())) {
    result_.alert("Table empty, Edit mode not allowed", loc);
    return false;
  }
  if (editRecord_ == current) return true;
  if (primaryKeys({}, true, loc).empty()) {
    editRecord_ = 0;
    result_.alert("No primary keys found on this table, Edit mode not allowed", loc);
    return false;
  }
  beginMode(false);
  return true;
}

bool RowEditor::addNew(const Location& loc) {
  if (inMode() && editRecord_ == result_.position()) return true;
  if (primaryKeys({}, true, loc).empty()) {
    result_.alert("No primary keys found on this table, AddNew mode not allowed", loc);
    editRecord_ = 0;
    return false;
  }
  DbfTable* table = result_.cache();
  if (table == nullptr || !table->append()) return false;
  beginMode(true);
  return true;
}

bool RowEditor::fieldPut(int n, const Value& value, const Location& loc) {
  if (!edit(loc)) {
    result_.alert("Edit mode not supported on this query", loc);
    return false;
  }
  DbfTable* table = result_.cache();
  const std::vector<ColumnDescription>& columns = result_.columns();
  const size_t count = columns.size();
  if (table == nullptr || n < 1 || static_cast<size_t>(n) > count) return false;
  const size_t i = static_cast<size_t>(n - 1);
  const ColumnDescription& column = columns[i];
  // A NULL is held as the cache's substitute with the column's null flag set; a value clears the
  // flag, so that what was put is what the generated statement writes.
  Value stored = value;
  if (value.isAbsent()) column.convert({}, column.length, stored);
  if (!table->put(i, stored)) return false;
  std::string flags(table->bytes(count));
  flags.resize(count, '0');
  flags[i] = value.isAbsent() ? '1' : '0';
  table->put(count, Value(flags));
  changed_[i] = true;
  return true;
}

bool RowEditor::update(const Location& loc) {
  if (!inMode() || editRecord_ != result_.position()) {
    result_.alert("Invalid use of Update(), the table should be in Edit or AddNew mode", loc);
    return false;
  }
  // Nothing put: nothing to send, and the mode ends as after an update that ran; a row added
  // without values is not kept, as the data source never got it.
  if (std::find(changed_.begin(), changed_.end(), true) == changed_.end()) {
    if (adding_) removeCurrentRecord();
    editRecord_ = 0;
    return true;
  }
  std::string statement;
  if (adding_) {
    statement = "INSERT INTO " + tableName(loc) + genAppend();
  } else {
    statement = "UPDATE " + tableName(loc) + " SET " + genUpdate() + " WHERE " + genWhere(loc);
    std::vector<int> changed;
    if (recordHasChanged(changed, loc)) {
      if (changed.front() == 0) {
        result_.alert("Record has been deleted since the last retrieve operation, Update aborted",
                      loc);
      } else {
        std::string numbers;
        for (int number : changed)
          numbers += (numbers.empty() ? "" : ", ") + std::to_string(number);
        result_.alert("Some record fields (" + numbers +
                          ") have change since the last retrieve operation, Update aborted",
                      loc);
      }
      return false;
    }
  }
  const bool ran = executeAlone(statement, "TDbOdbcDirect:Update()", loc);
  result_.moveTo(editRecord_);
  // The mode ends first: the row is then read again by its key as written, a changed key too.
  editRecord_ = 0;
  if (ran) {
    refreshCurrent(loc);
  } else if (adding_) {
    removeCurrentRecord();
  }
  return ran;
}

bool RowEditor::cancel(const Location& loc) {
  if (!inMode() || editRecord_ != result_.position()) {
    result_.alert("Invalid use of Cancel(), the table should be in Edit or AddNew mode", loc);
    return false;
  }
  if (adding_) removeCurrentRecord();
  editRecord_ = 0;
  return true;
}

bool RowEditor::remove(const Location& loc) {
  if (noRow(result_.position(), result_.cache())) {
    result_.alert("Table empty, Delete not allowed", loc);
    return false;
  }
  // A row being added is not in the data source yet: deleting it drops it, as Cancel does.
  if (inMode() && adding_ && editRecord_ == result_.position()) return cancel(loc);
  if (primaryKeys({}, true, loc).empty()) {
    result_.alert("No primary keys found on this table, Delete not allowed", loc);
    return false;
  }
  // Changed columns do not stop a delete; a row gone does.
  std::vector<int> changed;
  if (recordHasChanged(changed, loc) && changed.front() == 0) {
    result_.alert("Record has been deleted since the last retrieve operation, Delete aborted", loc);
    return false;
  }
  // The row is found by its key as the data source holds it, not as edited since.
  const bool ran = executeAlone(
      "DELETE FROM " + tableName(loc) + " WHERE " + keyCondition(sourceRow().values, loc),
      "TDbOdbcDirect:Delete()", loc);
  if (ran) {
    if (editRecord_ == result_.position()) editRecord_ = 0;
    removeCurrentRecord();
  }
  return ran;
}

bool RowEditor::executeAlone(std::string_view sql, std::string_view context, const Location& loc) {
  TOdbc* session = result_.session();
  return session != nullptr && session->Execute(sql, context, std::nullopt, loc);
}

void RowEditor::dropStatement(OdbcStatement& statement) {
  if (TOdbc* session = result_.session()) {
    session->DropStatement(statement);
  } else {
    statement.drop();
  }
}

void RowEditor::removeCurrentRecord() {
  DbfTable* table = result_.cache();
  if (table == nullptr) return;
  const long position = result_.position();
  table->deleteRecord();
  table->pack();
  result_.moveTo(position);
}

bool RowEditor::selectCurrentAgain(OdbcStatement& statement, std::string_view context,
                                   const Location& loc) {
  TOdbc* session = result_.session();
  if (session == nullptr) return false;
  statement = session->AllocStatement(loc);
  return session->Execute(genCurRec(loc), context, statement.handle(), loc);
}

bool RowEditor::refreshCurrent(const Location& loc) {
  if (primaryKeys({}, true, loc).empty()) {
    result_.alert("No primary keys found on this table, RefreshCurrent not supported", loc);
    return false;
  }
  OdbcStatement statement;
  if (!selectCurrentAgain(statement, "TDbOdbcDirect:RefreshCurrent()", loc)) {
    dropStatement(statement);
    return false;
  }
  if (SQLFETCH(statement.handle()) != SQL_SUCCESS) {
    removeCurrentRecord();
  } else if (result_.cache() != nullptr) {
    result_.storeRowOf(statement.handle());
  }
  dropStatement(statement);
  return true;
}

bool RowEditor::recordHasChanged(std::vector<int>& changed, const Location& loc) {
  if (primaryKeys({}, true, loc).empty()) {
    result_.alert("No primary keys found on this table, RecordHasChanged not supported", loc);
    changed = {-1};
    return true;
  }
  changed.clear();
  // The reference: the row as it was when edit mode began, else as it is held now.
  const HeldRow reference = sourceRow();
  OdbcStatement statement;
  if (!selectCurrentAgain(statement, "TDbOdbcDirect:RecordHasChanged()", loc)) {
    dropStatement(statement);
    changed = {-1};
    return true;
  }
  if (SQLFETCH(statement.handle()) != SQL_SUCCESS) {
    changed = {0};
  } else {
    const HeldRow source = result_.readRowOf(statement.handle());
    for (size_t i = 0; i < source.values.size() && i < reference.values.size(); ++i) {
      if (reference.isNull[i] != source.isNull[i] ||
          valueText(i, reference.values[i], false) != valueText(i, source.values[i], false))
        changed.push_back(static_cast<int>(i + 1));
    }
  }
  dropStatement(statement);
  return !changed.empty();
}

}  // namespace tabulink
