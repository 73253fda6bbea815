#include "table/dbcmd.h"

#include <filesystem>

#include "core/text.h"
#include "failure/neterr.h"
#include "table/dbf_table.h"
#include "table/table_error.h"
#include "table/work_areas.h"

namespace tabulink {
namespace {

// The current table, or null after raising "Workarea not in use" for `operation`.
DbfTable* tableFor(const char* operation) {
  DbfTable* table = WorkAreas::instance().currentTable();
  if (table == nullptr) {
    RunError error = commandError(EG_NOTABLE, 2001, operation);
    error.CANDEFAULT = true;
    raiseTableError(error);
  }
  return table;
}

// Names the areas by letter or number could be confused with, and names already taken.
bool aliasRefused(std::string_view alias) {
  if (alias.empty() || (alias[0] >= '0' && alias[0] <= '9')) return true;
  if (alias.size() == 1 && alias[0] >= 'A' && alias[0] <= 'M' && alias[0] != 'L') return true;
  return WorkAreas::instance().findAlias(alias) != 0;
}

// The area holding `alias`; 0 after "Alias does not exist" was given up.
int areaOfAlias(std::string_view alias) {
  for (;;) {
    if (int area = WorkAreas::instance().findAlias(alias); area != 0) return area;
    RunError error = commandError(EG_NOALIAS, 1002, std::string(alias));
    error.CANRETRY = true;
    error.CANDEFAULT = true;
    if (!raiseTableError(error)) return 0;
  }
}

}  // namespace

void DBCREATE(const std::string& file, const std::vector<FieldDescription>& structure) {
  DbfTable::create(file, structure);
}

bool DBUSEAREA(bool newArea, std::string_view driver, const std::string& file,
               std::string_view alias, std::optional<bool> shared, std::optional<bool> readOnly) {
  WorkAreas& areas = WorkAreas::instance();
  NETERR(false);  // set again by the error handler when the file is held elsewhere
  if (!newArea && areas.currentTable() != nullptr) areas.close(areas.current());
  std::string driverName = upper(trim(driver).substr(0, 32));
  if (driverName.empty()) driverName = kDefaultDriver;
  std::string name =
      alias.empty() ? std::filesystem::path(file).stem().string() : std::string(trim(alias));
  name = upper(std::string_view(name).substr(0, 32));
  if (aliasRefused(name)) {
    RunError error = commandError(EG_DUPALIAS, 1011, name);
    error.CANDEFAULT = true;
    raiseTableError(error);
    return false;
  }
  int area = newArea ? areas.lowestFree() : areas.current();
  if (area == 0) {
    RunError error = commandError(EG_CREATE, 1015, "DBUSEAREA");
    error.CANDEFAULT = true;
    raiseTableError(error);
    return false;
  }
  areas.select(area);
  std::unique_ptr<DbfTable> table =
      DbfTable::open(file, shared.value_or(false), readOnly.value_or(false));
  if (!table) return false;
  areas.attach(area, std::move(table), std::move(name), std::move(driverName));
  return true;
}

void DBSELECTAREA(int area) {
  if (area >= 1 && area <= WorkAreas::kMaxArea) WorkAreas::instance().select(area);
}

void DBSELECTAREA(std::string_view area) {
  area = trim(area);
  if (area.empty()) return;
  if (area[0] >= '0' && area[0] <= '9') {
    double number = VAL(area);
    if (number >= 1 && number <= WorkAreas::kMaxArea) DBSELECTAREA(static_cast<int>(number));
  } else if (char letter = upper(area)[0]; area.size() == 1 && letter >= 'A' && letter <= 'K') {
    DBSELECTAREA(letter - 'A' + 1);
  } else if (int number = areaOfAlias(area); number != 0) {
    DBSELECTAREA(number);
  }
}

int SELECT() {
  return WorkAreas::instance().current();
}

std::string ALIAS() {
  return WorkAreas::instance().alias(SELECT());
}

void DBCLOSEAREA() {
  WorkAreas::instance().close(SELECT());
}

void DBGOTO(int64_t recNo) {
  if (DbfTable* table = tableFor("DBGOTO")) table->goTo(recNo);
}

void DBGOTOP() {
  if (DbfTable* table = tableFor("DBGOTOP")) table->goTop();
}

void DBGOBOTTOM() {
  if (DbfTable* table = tableFor("DBGOBOTTOM")) table->goBottom();
}

void DBSKIP(int64_t count) {
  if (DbfTable* table = tableFor("DBSKIP")) table->skip(count);
}

uint32_t RECNO() {
  DbfTable* table = WorkAreas::instance().currentTable();
  return table != nullptr ? table->recNo() : 0;
}

uint32_t RECCOUNT() {
  DbfTable* table = WorkAreas::instance().currentTable();
  return table != nullptr ? table->recCount() : 0;
}

bool BOF() {
  DbfTable* table = WorkAreas::instance().currentTable();
  return table == nullptr || table->bof();
}

bool DBEOF() {
  DbfTable* table = WorkAreas::instance().currentTable();
  return table == nullptr || table->eof();
}

bool FOUND() {
  return false;
}

Value FIELDGET(int pos) {
  DbfTable* table = WorkAreas::instance().currentTable();
  if (table == nullptr || pos < 1) return Value();
  return table->get(static_cast<size_t>(pos - 1));
}

Value FIELDPUT(int pos, const Value& value) {
  DbfTable* table = WorkAreas::instance().currentTable();
  if (table == nullptr || pos < 1) return Value();
  return table->put(static_cast<size_t>(pos - 1), value) ? value : Value();
}

int FIELDPOS(std::string_view name) {
  DbfTable* table = WorkAreas::instance().currentTable();
  return table != nullptr ? static_cast<int>(table->layout().fieldPos(name)) : 0;
}

bool assignField(std::string_view target, const Value& value) {
  WorkAreas& areas = WorkAreas::instance();
  int area = areas.current();
  std::string_view name = target;
  if (size_t arrow = target.find("->"); arrow != std::string_view::npos) {
    area = areaOfAlias(trim(target.substr(0, arrow)));
    name = target.substr(arrow + 2);
    if (area == 0) return false;
  }
  DbfTable* table = areas.table(area);
  size_t pos = table != nullptr ? table->layout().fieldPos(name) : 0;
  if (pos == 0) {
    RunError error = commandError(EG_NOVAR, 1003, std::string(trim(name)));
    error.SUBSYSTEM = "BASE";
    error.CANDEFAULT = true;
    raiseTableError(error);
    return false;
  }
  return table->put(pos - 1, value);
}

bool DBAPPEND() {
  NETERR(false);
  DbfTable* table = tableFor("DBAPPEND");
  return table != nullptr && table->append();
}

void DBDELETE() {
  if (DbfTable* table = tableFor("DBDELETE")) table->deleteRecord();
}

bool DELETED() {
  DbfTable* table = WorkAreas::instance().currentTable();
  return table != nullptr && table->deleted();
}

void __DBPACK() {
  if (DbfTable* table = tableFor("__DBPACK")) table->pack();
}

void __DBZAP() {
  if (DbfTable* table = tableFor("__DBZAP")) table->zap();
}

}  // namespace tabulink
