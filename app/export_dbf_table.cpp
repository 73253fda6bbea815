#include "app/export_dbf_table.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "app/dbf_code_page.h"
#include "app/error_collection.h"
#include "app/export_cells.h"
#include "app/run_settings.h"
#include "core/date.h"
#include "core/text.h"
#include "failure/run_files.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbcmd.h"
#include "table/dbf_layout.h"
#include "table/dbf_table.h"
#include "table/memo_file.h"
#include "table/work_areas.h"

namespace tabulink {

bool DbfTableExport::create(const std::vector<FieldDescription>& structure, std::string& target) {
  output_ = PendingOutput(DbfTable::tablePath(path_));
  // A table named *.dbt and its memo file would be one file: the texts would be lost.
  const bool memos = std::any_of(structure.begin(), structure.end(),
                                 [](const FieldDescription& field) { return field.type == "M"; });
  if (memos && MemoFile::pathFor(output_.finalPath()) == output_.finalPath()) {
    ZULERROR("The dbf output file " + output_.finalPath() +
             " has the name of its memo file: give it another extension.");
    return false;
  }
  // A table and its memo file need files of their own, written at any position.
  if (output_.inPlace() || PendingOutput(path_).inPlace()) {
    ZULERROR("The dbf output file " + path_ +
             " was not written: a table and its memo file cannot go to a device, a pipe or a "
             "descriptor of the run.");
    return false;
  }
  if (!output_.refusal().empty()) {
    ZULERROR(output_.refusal());
    return false;
  }
  for (;;) {
    auto tracking = lockRunFiles();
    target = output_.nextWritePath();
    DbfTable::Created created = DbfTable::createExclusive(target, structure);
    if (created == DbfTable::Created::NameTaken) continue;
    if (created != DbfTable::Created::Yes) return false;
    output_.created(target, output_.finalPath());
    std::error_code ignored;
    if (std::string memo = MemoFile::pathFor(target); std::filesystem::exists(memo, ignored))
      output_.created(memo, MemoFile::pathFor(output_.finalPath()));
    return createCodePage(target);
  }
}

bool DbfTableExport::createCodePage(const std::string& target) {
  const std::string path = codePagePath(target);
  if (int error = writeCodePage(path, runSettings().Encoding); error != 0) {
    ZULERROR("Error creating the code page file " + shownFileName(path) + ": " +
             std::strerror(error));
    return false;
  }
  output_.created(path, codePagePath(output_.finalPath()));
  return true;
}

int DbfTableExport::head(const std::vector<OutputField>& fields) {
  std::vector<FieldDescription> structure;
  structure.reserve(fields.size());
  for (const OutputField& field : fields) {
    char type = field.type == 'U' ? 'C' : field.type;
    // Only a number has decimals: in a character field they would count as 256 bytes each of its
    // length (a PostgreSQL time, whose decimals are its fraction's digits).
    const int decimals = type == 'N' ? field.decimals : 0;
    structure.push_back({field.fieldName, std::string(1, type), field.length, decimals});
  }
  // Rows wider than a record keep their longest character columns in the memo file.
  fitRecord(structure, structure.size());
  int selected = SELECT();
  std::string target;
  if (create(structure, target) &&
      DBUSEAREA(true, kDefaultDriver, target, "OutDbf", false, false)) {
    area_ = SELECT();
    table_ = WorkAreas::instance().table(area_);
  }
  // The area selected before (the result set's cache) stays the current one.
  DBSELECTAREA(selected);
  columns_.clear();
  planned_ = false;
  if (table_ == nullptr) {
    // Whatever the error handler answered, the export cannot go on without its table.
    output_.abandon();
    ZULERROR("Error opening the dbf output file: " + output_.finalPath());
    return -1;
  }
  // Column i goes to field i: positions, not names, so that columns whose names agree in their
  // first 10 characters, or names the table cannot look up, still reach their own field.
  columns_.reserve(fields.size());
  for (size_t i = 0; i < fields.size(); ++i)
    columns_.push_back({fields[i].name, table_->layout().fields[i], Copy::None, Value()});
  return area_;
}

namespace {

// Whether the bytes `stored` of a column, not NULL and no number column's text, go to `field`
// as the row holds them (copied as `copy` says): bytes that read and written again would give
// the same bytes (a text filled to the field's width, a number's text of the field's decimals, a
// real date).
bool copiesAsStored(const CachedRow& row, size_t i, DbfTableExport::Copy copy,
                    const DbfField& field, std::string_view stored) {
  using Copy = DbfTableExport::Copy;
  switch (copy) {
    case Copy::None:
    case Copy::Memo:  // its text goes to the memo file
      return false;
    case Copy::Text:
      return stored.size() <= field.length;
    case Copy::Number:
      return stored.size() == field.length && (row.isTaken() || !row.numberText(i).empty());
    case Copy::Date:
      // The row reader takes no other date than a real one; a record may hold the empty one.
      return stored.size() == 8 && (row.isTaken() || !Date::fromDtos(stored).empty() ||
                                    stored.find_first_not_of(' ') == stored.npos);
    case Copy::Logical:
      return stored == "T" || stored == "F";
  }
  return false;
}

}  // namespace

void DbfTableExport::planCopies(const CachedRow& row) {
  planned_ = true;
  for (size_t i = 0; i < columns_.size(); ++i) {
    Column& column = columns_[i];
    const DbfField* held = row.field(i);
    column.copy = Copy::None;
    if (held == nullptr || held->kind != column.field.kind) continue;
    switch (column.field.kind) {
      case FieldKind::Character:
        column.copy = Copy::Text;
        break;
      case FieldKind::Numeric:
        if (held->decimals == column.field.decimals) column.copy = Copy::Number;
        break;
      case FieldKind::Date:
        if (column.field.length == 8) column.copy = Copy::Date;
        break;
      case FieldKind::Logical:
        column.copy = Copy::Logical;
        break;
      case FieldKind::Memo:
        if (row.holdsMemoText(i)) column.copy = Copy::Memo;
        break;
      default:
        break;
    }
  }
}

void DbfTableExport::reportEndByte(size_t i, std::string_view text) {
  // Every reader of a memo file ends a text at its first 0x1A.
  if (text.find('\x1A') != text.npos)
    ZULERROR("Field '" + columns_[i].name + "' row " + std::to_string(table_->recNo()) +
             " - the memo holds the byte 0x1A, where readers of the DBF end it.");
}

void DbfTableExport::row(TDbOdbcDirect& resultSet) {
  if (table_ == nullptr || !table_->append()) return;
  char* record = table_->writableRecord();
  if (record == nullptr) return;
  const CachedRow row = resultSet.CurrentRow();
  if (!planned_) planCopies(row);
  for (size_t i = 0; i < columns_.size(); ++i) {
    const Column& column = columns_[i];
    const Copy copy = column.copy;
    // isText: not NULL, and no longer than the field holds.
    if (copy == Copy::Text ? row.isText(i)
                           : copy != Copy::None && !row.isNull(i) && !row.isNumberText(i)) {
      const std::string_view stored = row.bytes(i);
      if (copy == Copy::Memo) {
        reportEndByte(i, stored);
        table_->putMemo(i, stored);
        continue;
      }
      if (copiesAsStored(row, i, copy, column.field, stored)) {
        // The new record is blank: a shorter text is already filled to the field's width.
        if (!stored.empty())
          std::memcpy(record + column.field.offset, stored.data(), stored.size());
        continue;
      }
    }
    if (!row.isNull(i)) writeValue(resultSet, row, i);  // NULL keeps the blank of the new record
  }
}

void DbfTableExport::writeValue(TDbOdbcDirect& resultSet, const CachedRow& row, size_t i) {
  Column& column = columns_[i];
  const DbfField& field = column.field;
  if (row.isNumberText(i) && field.kind == FieldKind::Numeric) {
    ZULERROR("Field '" + column.name + "' row " + std::to_string(table_->recNo()) + " value: " +
             std::string(trimRight(row.bytes(i))) + " - Not a number, exported as NULL.");
    return;
  }
  resultSet.CachedValue(i, column.value);
  if (field.kind == FieldKind::Memo && column.value.isText()) reportEndByte(i, column.value.text());
  table_->put(i, column.value);
}

void DbfTableExport::release(bool discard) {
  if (area_ != 0) {
    if (discard)
      WorkAreas::instance().discard(area_);
    else
      WorkAreas::instance().close(area_);  // writes the last record and the header
  }
  area_ = 0;
  table_ = nullptr;
}

void DbfTableExport::finish() {
  release(false);
  if (int error = output_.commit(); error != 0) {
    std::string text = "Error writing the dbf output file: ";
    appendPadLeft(text, std::to_string(error), 10);
    ZULERROR(text);
  }
}

void DbfTableExport::abandon() {
  release(true);
  output_.abandon();
}

}  // namespace tabulink
