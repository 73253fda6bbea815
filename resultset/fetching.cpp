// Moving rows from the result set's statement into its cache table: one row buffer, one get-data
// call per column into a buffer made once per column (or by a read-ahead into its ring), one
// appended record per row.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/text.h"
#include "gui/ui.h"
#include "odbc/row_read_ahead.h"
#include "odbc/todbc.h"
#include "resultset/fill_reporter.h"
#include "resultset/row_record.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"
#include "table/field_codec.h"
#include "table/work_areas.h"

namespace tabulink {
namespace {

// Rows between two givings back of the cache's space during a read-ahead: few enough that their
// records and usual memo texts are still in the write-behind buffer then, and are never written.
constexpr uint32_t kReleaseEvery = 32;

// Marks a fill in progress for the life of the object, so a timer tick arriving from the
// message pump inside it waits for the next tick.
class FillingScope {
 public:
  explicit FillingScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~FillingScope() { flag_ = was_; }
  FillingScope(const FillingScope&) = delete;
  FillingScope& operator=(const FillingScope&) = delete;

 private:
  bool& flag_;
  bool was_;
};

}  // namespace

void TDbOdbcDirect::GetValue(int n, const ColumnRead* read, ValueRest* rest, SQLHSTMT stmt) {
  const size_t i = static_cast<size_t>(n - 1);
  taken_[i] = 0;
  Value& value = aBuffer_[i];
  if (stmt == SQL_NULL_HSTMT) stmt = rows_.handle();
  const ValueFit fit =
      read != nullptr
          ? oConnect_->GetValue(n, stmt, aFields_, *read, value, "TDbOdbcDirect", rest)
          : oConnect_->GetValue(n, stmt, aFields_, plans_[i].fetchBuffer, value, "TDbOdbcDirect");
  aIsNull_[i] = CachedRow::kValueFlag;
  if (value.isNumber() && !plans_[i].fits(value.number().value)) {
    reportWidth(i, fit.source);
    value = Value::number(0, value.number().decimals);
  } else if (fit.kind == ValueFit::Kind::NotConvertible && aFields_[i].type == 'N' &&
             value.text().size() <= plans_[i].field.length) {
    // Its field holds the text in place of a number: the text outputs write it as it came.
    aIsNull_[i] = CachedRow::kNumberTextFlag;
  } else if (fit.kind != ValueFit::Kind::Whole) {
    reportValue(i, fit);
  }
  if (value.isAbsent()) {
    // A null column holds what its conversion makes of an empty text: the cache's substitute.
    aIsNull_[i] = CachedRow::kNullFlag;
    aFields_[i].convert({}, aFields_[i].length, value);
  }
}

std::string TDbOdbcDirect::whereRead(size_t i) const {
  // The row being read is the one the cache appends next.
  const DbfTable* table = cache();
  const long row = table != nullptr ? static_cast<long>(table->recCount()) + 1
                   : heldRow_       ? rowsRead_ + 1
                                    : 0;
  return "Field '" + aFields_[i].name + "' row " + std::to_string(row);
}

void TDbOdbcDirect::reportWidth(size_t i, std::string_view source) {
  // NaN and the infinities are no numbers a field holds, however wide.
  const double number = aBuffer_[i].number().value;
  reportFill(whereRead(i) + " value: " + std::string(trim(source)) +
             " Decimals: " + std::to_string(aFields_[i].decimals) +
             (std::isnan(number)   ? " - not a number"
              : std::isinf(number) ? " - infinite"
                                   : "") +
             " - Data Width Error.");
}

void TDbOdbcDirect::reportValue(size_t i, const ValueFit& fit) {
  const std::string where = whereRead(i);
  if (fit.kind == ValueFit::Kind::NotConvertible) {
    reportFill(where + " value: " + aBuffer_[i].text() +
               (aFields_[i].isDateTime() ? " - Not a date" : " - Not a number") +
               ", exported as NULL.");
    aBuffer_[i] = Value();
    return;
  }
  if (fit.kind == ValueFit::Kind::Rounded) {
    reportFill(where + " - value rounded to " +
               CVALTOCHAR(Value::number(aBuffer_[i].number().value, aFields_[i].decimals)) +
               " - Data Width Error.");
    return;
  }
  const std::string held = fit.heldBytes >= 0
                               ? std::to_string(fit.heldBytes) + " bytes"
                               : "more than " + std::to_string(fit.keptBytes) + " bytes";
  reportFill(where + " - value of " + held + " cut to " + std::to_string(fit.keptBytes) +
             " - Data Width Error.");
}

void TDbOdbcDirect::Load(int from, SQLHSTMT stmt) {
  for (int n = from; n <= nFields_; ++n)
    GetValue(n, nullptr, nullptr, stmt);
}

void TDbOdbcDirect::takeRow(int from, SQLHSTMT stmt) {
  // As the read-ahead's rows are taken: most values go to the cache as they were read.
  if (stmt == SQL_NULL_HSTMT) stmt = rows_.handle();
  for (int n = from; n <= nFields_; ++n) {
    const size_t i = static_cast<size_t>(n - 1);
    const ColumnRead read = rows_.read(n, aFields_[i], plans_[i].fetchBuffer, stmt);
    if (!takeDirect(i, read)) GetValue(n, &read, nullptr, stmt);
  }
}

bool TDbOdbcDirect::Fetch() {
  if (!rows_.fetch()) return false;
  const FetchedRow* row = rows_.ahead();
  if (row == nullptr) {
    takeRow();
    return true;
  }
  for (size_t i = 0; i < row->columns.size(); ++i) {
    // The row's bytes stay the read-ahead's until the next row is taken, unless it ends here.
    if (row->last || !takeDirect(i, row->columns[i]))
      GetValue(static_cast<int>(i + 1), &row->columns[i], &row->rests[i]);
  }
  if (row->last) {
    // The read-ahead stopped at the end of the rows or at a failed call; the rest of this row
    // and every later row are read here, as they are needed.
    const int read = static_cast<int>(row->columns.size());
    rows_.endReadAhead();
    takeRow(read + 1);
  }
  return true;
}

void TDbOdbcDirect::ReadAhead() {
  rows_.readAhead(aFields_);
}

bool TDbOdbcDirect::takeDirect(size_t i, const ColumnRead& read) {
  ColumnPlan& plan = plans_[i];
  using DirectStore = ColumnPlan::DirectStore;
  const DirectStore how = plan.direct;
  if (how == DirectStore::None || !readWhole(aFields_[i], read)) return false;
  std::string& made = plan.madeBytes;
  std::string_view bytes = made;
  if (read.isNull) {
    bytes = plan.nullBytes;
  } else if (how == DirectStore::Text || how == DirectStore::Memo) {
    bytes = read.bytes;
  } else if (how == DirectStore::Number) {
    // A plain number text that fits the field is written as it stands; the plan's limits in
    // digits.
    const std::optional<PlainNumber> plain = plainNumber(read.bytes);
    if (!plain ||
        plain->integerDigits > (plain->negative ? plan.negativeDigits : plan.positiveDigits))
      return false;
    // Of an integer or decimal column the text is the value, kept digit for digit; one that
    // rounding would change goes the long way, which reports it.
    const bool exact = plan.exactNumber;
    if (exact && plain->fractionDigits > plan.field.decimals &&
        dropsDigits(read.bytes, *plain, plan.field.decimals))
      return false;
    if (!encodePlainNumber(plan.field, read.bytes, *plain, made.data(), exact)) return false;
  } else {
    made[0] = read.bytes.empty() || read.bytes.front() != '0' ? 'T' : 'F';
  }
  taken_[i] = 1;
  takenBytes_[i] = bytes;
  aIsNull_[i] = read.isNull ? CachedRow::kNullFlag : CachedRow::kValueFlag;
  return true;
}

template <class Record>
void TDbOdbcDirect::storeRow(Record& table) {
  char* record = table.writableRecord();
  if (record == nullptr) return;
  const std::vector<DbfField>& fields = table.layout().fields;
  const DbfField& flagsField = fields[aFields_.size()];
  char* flags = record + flagsField.offset;
  const size_t flagged = std::min<size_t>(aFields_.size(), flagsField.length);
  std::memset(flags + flagged, ' ', flagsField.length - flagged);
  for (size_t i = 0; i < aFields_.size(); ++i) {
    if (i < flagged) flags[i] = aIsNull_[i];
    if (plans_[i].wholeField != 0 && aIsNull_[i] == CachedRow::kValueFlag && i < flagged) {
      // A text longer than its field is held whole beside it.
      const Value& value = aBuffer_[i];
      const std::string_view text = taken_[i]        ? takenBytes_[i]
                                    : value.isText() ? value.text()
                                                     : std::string_view();
      if (fields[i].kind == FieldKind::Character && text.size() > fields[i].length) {
        table.putMemo(plans_[i].wholeField, text);
        flags[i] = CachedRow::kLongerFlag;
      }
    }
    if (taken_[i]) {
      if (plans_[i].direct == ColumnPlan::DirectStore::Memo) {
        table.putMemo(i, takenBytes_[i]);
      } else {
        writePadRight(record + fields[i].offset, takenBytes_[i], fields[i].length);
      }
      continue;
    }
    if (aIsNull_[i] == CachedRow::kNumberTextFlag) {
      writePadRight(record + fields[i].offset, aBuffer_[i].text(), fields[i].length);
    } else {
      table.put(i, aBuffer_[i]);
    }
  }
}

// Row editing stores a row read again into the cache table.
template void TDbOdbcDirect::storeRow(DbfTable& table);

bool TDbOdbcDirect::readNextRow() {
  if (!Fetch()) return false;
  heldRow_->clear();
  storeRow(*heldRow_);
  ++rowsRead_;
  return true;
}

bool TDbOdbcDirect::Fill(long nRows) {
  if (rows_.ended()) return false;
  if (heldRow_) {
    // Each row replaces the one before: nothing is kept but the current row.
    const bool all = nRows == 0;
    while ((all || nRows > 0) && !rows_.ended() && heldRow_) {
      ui().processPendingMessages();
      if (rows_.ended() || !heldRow_) break;
      readNextRow();
      --nRows;
    }
    return nRows == 0;
  }
  if (cache() == nullptr) return false;
  const bool all = nRows == 0;
  WorkAreas& areas = WorkAreas::instance();
  const int previous = areas.current();
  const bool restore = areas.table(previous) != nullptr;
  areas.select(nWorkArea_);
  FillingScope filling(filling_);
  while ((all || nRows > 0) && !rows_.ended()) {
    ui().processPendingMessages();
    // What ran there may have ended the result set.
    DbfTable* table = cache();
    if (table == nullptr || rows_.ended()) break;
    if (Fetch() && table->append()) {
      storeRow(*table);
      // Read ahead, the rows are read once in order: those passed never reach the disk.
      if (rows_.readsAhead() && table->recNo() % kReleaseEvery == 0) table->releaseBeforeCurrent();
    }
    --nRows;
  }
  if (restore) areas.select(previous);
  return nRows == 0;
}

Value TDbOdbcDirect::FieldGet(int n) {
  Value value;
  FieldGet(n, value);
  return value;
}

void TDbOdbcDirect::FieldGet(int n, Value& out) {
  if (n < 1 || n > nFields_ || FieldIsNull(n)) {
    out = Value();
    return;
  }
  CachedValue(static_cast<size_t>(n - 1), out);
}

namespace {

// CachedValue from the cache table or from the row held in memory, which are read alike.
template <class Record>
void cachedValue(Record& record, size_t i, size_t columns, const ColumnPlan& plan, Value& out) {
  // The column's flag byte says where its value is held.
  const std::string_view flags = record.bytes(columns);
  const char flag = i < flags.size() ? flags[i] : CachedRow::kValueFlag;
  if (flag == CachedRow::kNumberTextFlag) {
    out.reuseText().assign(trimRight(record.bytes(i)));
    return;
  }
  const bool longer = flag == CachedRow::kLongerFlag && plan.wholeField != 0;
  record.get(longer ? plan.wholeField : i, out);
}

}  // namespace

void TDbOdbcDirect::CachedValue(size_t i, Value& out) {
  if (i >= plans_.size()) {
    out = Value();
  } else if (DbfTable* table = cache()) {
    cachedValue(*table, i, aFields_.size(), plans_[i], out);
  } else if (heldRow_ && rowsRead_ > 0) {
    cachedValue(*heldRow_, i, aFields_.size(), plans_[i], out);
  } else {
    out = Value();
  }
}

CachedRow TDbOdbcDirect::CurrentRow() {
  CachedRow row;
  DbfTable* table = cache();
  if (table != nullptr && table->fieldCount() == cacheFieldCount_) {
    row.record_ = table->record();
    row.nulls_ = table->bytes(aFields_.size());
    row.fields_ = table->layout().fields.data();
  } else if (heldRow_ && rowsRead_ > 0) {
    row.record_ = heldRow_->record();
    row.nulls_ = heldRow_->bytes(aFields_.size());
    row.fields_ = heldRow_->layout().fields.data();
  } else {
    return row;
  }
  row.plans_ = plans_.data();
  row.columns_ = aFields_.size();
  return row;
}

bool TDbOdbcDirect::FieldIsNull(int n) {
  return n >= 1 && CurrentRow().isNull(static_cast<size_t>(n - 1));
}

}  // namespace tabulink
