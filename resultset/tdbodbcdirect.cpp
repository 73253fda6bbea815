// The result set's life: construction and execution, the cache table made by Open, the column
// descriptions handed out, the operations forwarded to the session, and End.

#include "resultset/tdbodbcdirect.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "core/text.h"
#include "failure/run_files.h"
#include "odbc/todbc.h"
#include "resultset/cache_structure.h"
#include "resultset/fill_reporter.h"
#include "table/dbcmd.h"
#include "table/dbf_layout.h"
#include "table/dbf_table.h"
#include "table/memo_file.h"
#include "table/table_error.h"
#include "table/work_areas.h"

namespace tabulink {

TDbOdbcDirect::TDbOdbcDirect(std::string_view cSelect, TOdbc* oConnect, Location loc) {
  if (oConnect == nullptr) return;
  oConnect_ = oConnect;
  cSelect_ = std::string(cSelect);
  cRDD = std::string(kDefaultDriver);
  lDateAsStr = oConnect->lDateAsStr;
  rows_.start(oConnect, AllocStatement(loc));
  // A bare table name selects the whole table; a statement of more than a name (VALUES (1),
  // SHOW ALL) is run as it stands.
  if (upper(cSelect_).find("SELECT") == std::string::npos &&
      trim(cSelect_).find_first_of(" \t\r\n(") == std::string_view::npos)
    cSelect_ = "SELECT * FROM " + cSelect_;
  // The table and its keys are looked for when an edit needs them: a statement without a table
  // (SELECT now()) is no reason for an alert.
  // Not tested here: the caller reads the session's error list.
  Execute(cSelect_, "TDbOdbcDirect:New()", rows_.handle(), loc);
}

TDbOdbcDirect::~TDbOdbcDirect() {
  End();
}

void TDbOdbcDirect::End() {
  endTimer();
  if (ticking_ == 0) retiredTimers_.clear();
  rows_.end();
  // The cache is deleted next: nothing of it needs to reach the disk (nor can fail to, on a full
  // disk, and end the program before its files are gone).
  if (nWorkArea_ != 0) {
    if (cacheCreated_)
      WorkAreas::instance().discard(nWorkArea_);
    else
      WorkAreas::instance().close(nWorkArea_);
  }
  nWorkArea_ = 0;
  readOnce_ = false;
  if (cacheCreated_) deleteCacheFiles();
  cacheCreated_ = false;
}

void TDbOdbcDirect::Refresh() {
  const long position = Recno();
  DbfTable* table = cache();
  const long held = table != nullptr ? static_cast<long>(table->recCount()) : 0;
  const bool wasEof = Eof();
  rows_.end();
  rows_.start(oConnect_, AllocStatement());
  if (!Execute(cSelect_, "TDbOdbcDirect:Refresh()", rows_.handle())) return;
  if ((table = cache()) == nullptr) return;
  table->zap();
  if (wasEof) {
    Complete();
  } else {
    Fill(held);
  }
  Goto(position);
}

void TDbOdbcDirect::deleteCacheFiles() {
  std::filesystem::path table(DbfTable::tablePath(cFileName));
  std::filesystem::path directory = table.parent_path();
  if (directory.empty()) directory = ".";
  // Never throws: End runs from the destructor.
  std::error_code error;
  std::vector<std::filesystem::path> doomed;
  for (std::filesystem::directory_iterator entry(directory, error), end; !error && entry != end;
       entry.increment(error))
    if (entry->path().stem() == table.stem()) doomed.push_back(entry->path());
  for (const auto& path : doomed)
    std::filesystem::remove(path, error);
  untrackRunFile(table.string());
  untrackRunFile(MemoFile::pathFor(table.string()));
}

bool TDbOdbcDirect::Execute(std::string_view sql, std::string_view context, SQLHSTMT stmt,
                            Location loc) {
  return oConnect_ != nullptr && oConnect_->Execute(sql, context, stmt, loc);
}

OdbcStatement TDbOdbcDirect::AllocStatement(Location loc) {
  return oConnect_ != nullptr ? oConnect_->AllocStatement(loc) : OdbcStatement();
}

int TDbOdbcDirect::DropStatement(OdbcStatement& statement) {
  return oConnect_ != nullptr ? oConnect_->DropStatement(statement) : statement.drop();
}

std::vector<ColumnDescription> TDbOdbcDirect::CursorFields(SQLHSTMT stmt, Location loc) {
  if (oConnect_ == nullptr) return {};
  return oConnect_->CursorFields(stmt, lDateAsStr, loc);
}

DbfTable* TDbOdbcDirect::cache() const {
  return WorkAreas::instance().table(nWorkArea_);
}

long TDbOdbcDirect::rowBeingRead() const {
  const DbfTable* table = cache();
  return table != nullptr ? static_cast<long>(table->recCount()) + 1
         : readOnce_      ? rowsRead_ + 1
                          : 0;
}

bool TDbOdbcDirect::Open() {
  // An unusable object, or one already open, makes no (further) cache table.
  if (oConnect_ == nullptr || nWorkArea_ != 0 || readOnce_) return false;
  aFields_ = CursorFields(rows_.handle());
  if (aFields_.empty()) {
    // No columns (the statement failed, or delivers no result): nothing to fetch or cache.
    rows_.end();
    return false;
  }
  // An unclassified column of up to 255 bytes (a BIGINT, a GUID, a short wide-character text)
  // holds no longer value; a date or timestamp shown as text keeps the digits its column declares.
  if (textsWhole)
    for (ColumnDescription& column : aFields_)
      column.wholeText = column.cType == SQL_C_CHAR && !column.isDateTime() &&
                         (column.type == 'C' || (column.type == 'U' && column.length > 255));
  nFields_ = static_cast<int>(aFields_.size());
  const size_t n = aFields_.size();
  aScanFields_.clear();
  for (const ColumnDescription& column : aFields_) {
    std::string scan = upper(column.name);
    std::replace(scan.begin(), scan.end(), ' ', '_');
    aScanFields_.push_back(std::move(scan));
  }
  std::vector<FieldDescription> structure = cacheStructure(aFields_);
  cacheFieldCount_ = structure.size();
  // The table writer refuses such a structure without saying why.
  if (structure.size() > maxFieldCount())
    reportFill("The result has " + std::to_string(n) + " columns; a cache table holds at most " +
               std::to_string(maxFieldCount() - 1) + ".");
  std::vector<ColumnPlan> plans;
  for (size_t i = 0; i < n; ++i)
    plans.push_back(planColumn(aFields_[i], structure[i]));
  // The memo fields for longer values follow the flags field, in column order.
  for (size_t i = 0, next = n + 1; i < n; ++i)
    if (holdsLongerValues(aFields_[i])) plans[i].wholeField = next++;
  reader_.start(oConnect_, std::move(plans), [this] { return rowBeingRead(); });
  if (readsOnce) {
    // The rows are taken for fields laid out as the cache table's would be, so they are read
    // alike; a layout the table writer would refuse makes no result either.
    DbfLayout layout;
    if (buildLayout(structure, layout) != LayoutError::None) return false;
    readOnce_ = true;
    for (size_t i = 0; i < n; ++i)
      planDirectStore(reader_.plans()[i], aFields_[i], layout.fields[i]);
    Fill();
    return true;
  }
  if (!createCacheTable(structure)) return false;
  if (!DBUSEAREA(true, cRDD, cFileName, cAlias, false, false)) return false;
  nWorkArea_ = SELECT();
  cache()->keepMemoLengths();
  for (size_t i = 0; i < n; ++i)
    planDirectStore(reader_.plans()[i], aFields_[i], cache()->layout().fields[i]);
  if (cAlias.empty()) cAlias = ALIAS();
  Fill();
  return true;
}

bool TDbOdbcDirect::createCacheTable(const std::vector<FieldDescription>& structure) {
  if (!cFileName.empty()) {
    // A name the caller chose is the caller's to replace.
    DBCREATE(cFileName, structure);
  } else {
    // A name is claimed by creating its files exclusively; one that another program (or a file
    // left behind) holds moves on to the next name, a bounded number of times.
    // The cache holds every row read so far: its files are the owner's alone, and the program's
    // end removes them however it comes.
    DbfTable::Created created = DbfTable::Created::NameTaken;
    for (int tries = 0; created == DbfTable::Created::NameTaken; ++tries) {
      cFileName = tries < kTempFileTries ? CTEMPFILE(cacheDirectory(), "DBF") : std::string();
      if (cFileName.empty()) {
        RunError error = driverError(EG_CREATE, 1004, cacheDirectory(), osCodeFromErrno(EEXIST));
        error.DESCRIPTION += ", no free cache table name";
        raiseTableError(error);
        return false;
      }
      auto tracking = lockRunFiles();
      // Tracked before they exist, so that a creation that fails half-way (a full disk) or an
      // end that comes meanwhile leaves no file behind.
      const std::string table = DbfTable::tablePath(cFileName);
      const std::string memo = MemoFile::pathFor(table);
      trackRunFile(table, RunFileKind::Scratch);
      trackRunFile(memo, RunFileKind::Scratch);
      created = DbfTable::createExclusive(cFileName, structure, true);
      if (created == DbfTable::Created::Yes) continue;
      // A name found taken is someone else's file, and a failed creation removed what it made.
      untrackRunFile(table);
      untrackRunFile(memo);
    }
    if (created != DbfTable::Created::Yes) return false;
  }
  std::error_code error;
  cacheCreated_ = std::filesystem::exists(DbfTable::tablePath(cFileName), error);
  return cacheCreated_;
}

std::string TDbOdbcDirect::FieldName(int n) const {
  return n >= 1 && n <= nFields_ ? CHKSP(aFields_[static_cast<size_t>(n - 1)].name) : std::string();
}

std::vector<std::string> TDbOdbcDirect::FieldNames() const {
  std::vector<std::string> names;
  names.reserve(aFields_.size());
  for (const ColumnDescription& column : aFields_)
    names.push_back(column.name);
  return names;
}

char TDbOdbcDirect::FieldType(int n) const {
  return n >= 1 && n <= nFields_ ? aFields_[static_cast<size_t>(n - 1)].type : ' ';
}

int TDbOdbcDirect::FieldLen(int n) const {
  return n >= 1 && n <= nFields_ ? aFields_[static_cast<size_t>(n - 1)].length : 0;
}

int TDbOdbcDirect::FieldDec(int n) const {
  return n >= 1 && n <= nFields_ ? aFields_[static_cast<size_t>(n - 1)].decimals : 0;
}

int TDbOdbcDirect::FieldPos(std::string_view name) const {
  std::string wanted = upper(name);
  for (size_t i = 0; i < aScanFields_.size(); ++i)
    if (aScanFields_[i].starts_with(wanted)) return static_cast<int>(i + 1);
  return 0;
}

}  // namespace tabulink
