// One route per value from the driver's bytes to the row as its record holds it: bytes the plan
// lets through go to the field as read, everything else through the column's conversion, the
// width check and the reports.

#include "resultset/row_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/text.h"
#include "odbc/row_read_ahead.h"
#include "odbc/todbc.h"
#include "resultset/fill_reporter.h"
#include "resultset/row_source.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"
#include "table/field_codec.h"

namespace tabulink {

void RowReader::start(TOdbc* session, std::vector<ColumnPlan> plans,
                      std::function<long()> rowNumber) {
  session_ = session;
  plans_ = std::move(plans);
  rowNumber_ = std::move(rowNumber);
  const size_t n = columns_.size();
  values_.assign(n, Value());
  flags_.assign(n, CachedRow::kValueFlag);
  taken_.assign(n, {});
}

bool RowReader::isNull(size_t i) const {
  return i < flags_.size() && flags_[i] == CachedRow::kNullFlag;
}

void RowReader::convert(int n, const ColumnRead* read, ValueRest* rest, SQLHSTMT stmt) {
  const size_t i = static_cast<size_t>(n - 1);
  taken_[i].straight = false;
  Value& value = values_[i];
  if (stmt == SQL_NULL_HSTMT) stmt = rows_.handle();
  const ValueFit fit =
      read != nullptr
          ? session_->GetValue(n, stmt, columns_, *read, value, "TDbOdbcDirect", rest)
          : session_->GetValue(n, stmt, columns_, plans_[i].fetchBuffer, value, "TDbOdbcDirect");
  flags_[i] = CachedRow::kValueFlag;
  if (value.isNumber() && !plans_[i].fits(value.number().value)) {
    reportWidth(i, fit.source);
    value = Value::number(0, value.number().decimals);
  } else if (fit.kind == ValueFit::Kind::NotConvertible && columns_[i].type == 'N' &&
             value.text().size() <= plans_[i].field.length) {
    // Its field holds the text in place of a number: the text outputs write it as it came.
    flags_[i] = CachedRow::kNumberTextFlag;
  } else if (fit.kind != ValueFit::Kind::Whole) {
    reportValue(i, fit);
  }
  if (value.isAbsent()) {
    // A null column holds what its conversion makes of an empty text: the cache's substitute.
    flags_[i] = CachedRow::kNullFlag;
    columns_[i].convert({}, columns_[i].length, value);
  }
}

std::string RowReader::whereRead(size_t i) const {
  const long row = rowReadAgain_ != 0 ? rowReadAgain_ : rowNumber_ ? rowNumber_() : 0;
  return "Field '" + columns_[i].name + "' row " + std::to_string(row);
}

void RowReader::reportWidth(size_t i, std::string_view source) {
  // NaN and the infinities are no numbers a field holds, however wide.
  const double number = values_[i].number().value;
  reportFill(whereRead(i) + " value: " + std::string(trim(source)) +
             " Decimals: " + std::to_string(columns_[i].decimals) +
             (std::isnan(number)   ? " - not a number"
              : std::isinf(number) ? " - infinite"
                                   : "") +
             " - Data Width Error.");
}

void RowReader::reportValue(size_t i, const ValueFit& fit) {
  const std::string where = whereRead(i);
  if (fit.kind == ValueFit::Kind::NotConvertible) {
    reportFill(where + " value: " + values_[i].text() +
               (columns_[i].isDateTime() ? " - Not a date" : " - Not a number") +
               ", exported as NULL.");
    values_[i] = Value();
    return;
  }
  if (fit.kind == ValueFit::Kind::Rounded) {
    reportFill(where + " - value rounded to " +
               CVALTOCHAR(Value::number(values_[i].number().value, columns_[i].decimals)) +
               " - Data Width Error.");
    return;
  }
  const std::string held = fit.heldBytes >= 0
                               ? std::to_string(fit.heldBytes) + " bytes"
                               : "more than " + std::to_string(fit.keptBytes) + " bytes";
  reportFill(where + " - value of " + held + " cut to " + std::to_string(fit.keptBytes) +
             " - Data Width Error.");
}

void RowReader::readValues(SQLHSTMT stmt, long row) {
  rowReadAgain_ = row;
  for (int n = 1; n <= static_cast<int>(columns_.size()); ++n)
    convert(n, nullptr, nullptr, stmt);
  rowReadAgain_ = 0;
}

void RowReader::take(SQLHSTMT stmt, long row) {
  rowReadAgain_ = row;
  takeColumns(0, nullptr, stmt);
  rowReadAgain_ = 0;
}

void RowReader::takeConverted(size_t i, const ColumnRead& read, ValueRest* rest, SQLHSTMT stmt) {
  convert(static_cast<int>(i + 1), &read, rest, stmt);
  // A text read whole that is longer than its field.
  if (flags_[i] == CachedRow::kValueFlag && plans_[i].isLonger(bytes(i)))
    flags_[i] = CachedRow::kLongerFlag;
}

namespace {

// Makes `bytes` the field bytes `plan` makes of the text `read` of `column` (a number, a date, a
// timestamp, a logical), in its madeBytes, and `number` the plain text a number's bytes end in;
// false when the text must be converted.
bool makeFieldBytes(ColumnPlan& plan, const ColumnDescription& column, std::string_view read,
                    std::string_view& bytes, std::string_view& number) {
  using DirectStore = ColumnPlan::DirectStore;
  char* const made = plan.madeBytes.data();
  bytes = plan.madeBytes;
  switch (plan.direct) {
    case DirectStore::Number: {
      // A plain number text that fits the field is written as it stands; the plan's limits in
      // digits.
      const std::optional<PlainNumber> plain = plainNumber(read);
      if (!plain ||
          plain->integerDigits > (plain->negative ? plan.negativeDigits : plan.positiveDigits))
        return false;
      // Of an integer or decimal column the text is the value, kept digit for digit; one that
      // rounding would change goes the long way, which reports it.
      const bool exact = plan.exactNumber;
      if (exact && plain->fractionDigits > plan.field.decimals &&
          dropsDigits(read, *plain, plan.field.decimals))
        return false;
      const size_t length = encodePlainNumber(plan.field, read, *plain, made, exact);
      number = bytes.substr(bytes.size() - length);
      return length != 0;
    }
    case DirectStore::Date:
      return plainDateDtos(read, made);
    case DirectStore::Timestamp: {
      // Of the column's length: "YYYY-MM-DD hh:mm:ss." and its fraction digits.
      const size_t n = plainDateTimeText(read, column.length - kDateTimePrefix, made);
      bytes = bytes.substr(0, n);
      return n != 0;
    }
    case DirectStore::Logical:
      made[0] = read.empty() || read.front() != '0' ? 'T' : 'F';
      return true;
    case DirectStore::None:
    case DirectStore::Text:
    case DirectStore::Memo:
      break;
  }
  return false;
}

}  // namespace

void RowReader::takeColumns(size_t from, const FetchedRow* row, SQLHSTMT stmt) {
  // Runs for every value of every row: the bytes that need no conversion (as the plan says) are
  // kept as they were read, or made by the plan, and go to the field as they are.
  using DirectStore = ColumnPlan::DirectStore;
  const bool direct = row == nullptr || !row->last;
  const size_t count = row != nullptr ? row->columns.size() : columns_.size();
  ColumnRead readNow;
  for (size_t i = from; i < count; ++i) {
    const ColumnRead& read = row != nullptr
                                 ? row->columns[i]
                                 : (readNow = rows_.read(static_cast<int>(i + 1), columns_[i],
                                                         plans_[i].fetchBuffer, stmt));
    ColumnPlan& plan = plans_[i];
    const DirectStore how = plan.direct;
    if (direct && how != DirectStore::None && readWhole(columns_[i], read)) {
      std::string_view bytes = read.isNull ? std::string_view(plan.nullBytes) : read.bytes;
      std::string_view number;
      if (read.isNull || how == DirectStore::Text || how == DirectStore::Memo ||
          makeFieldBytes(plan, columns_[i], read.bytes, bytes, number)) {
        taken_[i] = {true, bytes, number};
        flags_[i] = read.isNull            ? CachedRow::kNullFlag
                    : plan.isLonger(bytes) ? CachedRow::kLongerFlag
                                           : CachedRow::kValueFlag;
        continue;
      }
    }
    takeConverted(i, read, row != nullptr ? &row->rests[i] : nullptr, stmt);
  }
}

void RowReader::takeFetched() {
  const FetchedRow* row = rows_.ahead();
  if (row == nullptr) {
    takeColumns(0, nullptr, rows_.handle());
    return;
  }
  // The row's bytes stay the read-ahead's until the next row is taken, unless it ends here.
  takeColumns(0, row, rows_.handle());
  if (row->last) {
    // The read-ahead stopped at the end of the rows or at a failed call; the rest of this row
    // and every later row are read here, as they are needed.
    const size_t read = row->columns.size();
    rows_.endReadAhead();
    takeColumns(read, nullptr, rows_.handle());
  }
}

void RowReader::value(size_t i, Value& out) const {
  const ColumnPlan& plan = plans_[i];
  using DirectStore = ColumnPlan::DirectStore;
  if (!taken_[i].straight) {
    const Value& value = values_[i];
    // A number has its field's decimals, whatever the text it was read from had.
    out = value.isNumber() && plan.field.kind == FieldKind::Numeric
              ? Value::number(value.number().value, plan.field.decimals)
              : value;
  } else if (plan.direct == DirectStore::Text || plan.direct == DirectStore::Memo) {
    out.reuseText().assign(taken_[i].bytes);
  } else {
    decodeField(plan.field, taken_[i].bytes.data(), out);
    return;
  }
  if (plan.field.kind == FieldKind::Character && flags_[i] != CachedRow::kLongerFlag &&
      out.isText() && out.text().size() < plan.field.length)
    out.text().resize(plan.field.length, ' ');
}

void RowReader::lay(DbfTable& table) const {
  char* record = table.writableRecord();
  if (record == nullptr) return;
  const std::vector<DbfField>& fields = table.layout().fields;
  const size_t count = columns_.size();
  const DbfField& flagsField = fields[count];
  char* flags = record + flagsField.offset;
  const size_t flagged = std::min<size_t>(count, flagsField.length);
  std::memset(flags + flagged, ' ', flagsField.length - flagged);
  for (size_t i = 0; i < count; ++i) {
    if (i < flagged) flags[i] = flags_[i];
    // A text longer than its field is held whole beside it.
    if (flags_[i] == CachedRow::kLongerFlag) table.putMemo(plans_[i].wholeField, bytes(i));
    if (taken_[i].straight) {
      if (plans_[i].direct == ColumnPlan::DirectStore::Memo) {
        table.putMemo(i, taken_[i].bytes);
      } else {
        writePadRight(record + fields[i].offset, taken_[i].bytes, fields[i].length);
      }
      continue;
    }
    if (flags_[i] == CachedRow::kNumberTextFlag) {
      writePadRight(record + fields[i].offset, values_[i].text(), fields[i].length);
    } else {
      table.put(i, values_[i]);
    }
  }
}

}  // namespace tabulink
