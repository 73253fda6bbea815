// The result set's row editing, done by its RowEditor: the methods of the surface, and the result
// set as the editor sees it; and the result set's two ways of reporting: an entry on the session's
// error list, and an alert in a message box.

#include "failure/error_block.h"
#include "gui/ui.h"
#include "odbc/todbc.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"

namespace tabulink {
namespace {

// A column name that matches no column: the error of a message the class does not understand.
void raiseNoColumn(int gencode, int subcode, std::string_view name) {
  RunError error = makeRunError(gencode, "BASE", subcode);
  error.OPERATION = std::string(name);
  error.ARGS = {Value("TDBODBCDIRECT")};
  raiseError(error);
}

}  // namespace

bool TDbOdbcDirect::Edit(Location loc) {
  return editor_.edit(loc);
}

bool TDbOdbcDirect::AddNew(Location loc) {
  return editor_.addNew(loc);
}

bool TDbOdbcDirect::FieldPut(int n, const Value& value, Location loc) {
  return editor_.fieldPut(n, value, loc);
}

bool TDbOdbcDirect::Update(Location loc) {
  return editor_.update(loc);
}

bool TDbOdbcDirect::Cancel(Location loc) {
  return editor_.cancel(loc);
}

bool TDbOdbcDirect::Delete(Location loc) {
  return editor_.remove(loc);
}

bool TDbOdbcDirect::RefreshCurrent(Location loc) {
  return editor_.refreshCurrent(loc);
}

bool TDbOdbcDirect::RecordHasChanged(std::vector<int>& changed, Location loc) {
  return editor_.recordHasChanged(changed, loc);
}

std::string TDbOdbcDirect::GenAppend() {
  return editor_.genAppend();
}

std::string TDbOdbcDirect::GenUpdate() {
  return editor_.genUpdate();
}

std::string TDbOdbcDirect::GenWhere(Location loc) {
  return editor_.genWhere(loc);
}

std::string TDbOdbcDirect::GenCurRec(Location loc) {
  return editor_.genCurRec(loc);
}

std::vector<std::string> TDbOdbcDirect::PrimaryKeys(
    const std::optional<std::vector<std::string>>& keys, bool showError, Location loc) {
  return editor_.primaryKeys(keys, showError, loc);
}

std::string TDbOdbcDirect::TableName(Location loc) {
  return editor_.tableName(loc);
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

HeldRow TDbOdbcDirect::heldRow() {
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

void TDbOdbcDirect::storeRowOf(SQLHSTMT stmt) {
  if (DbfTable* table = cache()) {
    reader_.take(stmt, Recno());
    reader_.lay(*table);
  }
}

HeldRow TDbOdbcDirect::readRowOf(SQLHSTMT stmt) {
  reader_.readValues(stmt, Recno());
  HeldRow row;
  row.values = reader_.values();
  for (size_t i = 0; i < row.values.size(); ++i)
    row.isNull.push_back(reader_.isNull(i));
  return row;
}

void TDbOdbcDirect::SQLError(SQLHSTMT stmt, std::string_view text, Location loc) {
  if (oConnect_ != nullptr) oConnect_->NewError(text, std::nullopt, stmt, std::nullopt, loc);
}

void TDbOdbcDirect::SQLAlert(std::string_view text, Location loc) {
  cLastError_ = std::string(text);
  if (lShowAlerts) {
    ui().messageBox("Ostrel Alert message", std::string(text) + "\r\n\r\n" + locationText(loc),
                    MessageIcon::Exclamation);
  }
}

}  // namespace tabulink
