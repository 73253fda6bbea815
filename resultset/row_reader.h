#pragma once
// Turns a fetched row into the row as the column plans hold it: per column the cache's flag and
// either the bytes that go to the field as they were read or the converted value, every value
// not kept whole reported with its column and row. A file export reads the row from here; the
// cache lays it into its record.

#include <functional>
#include <string_view>
#include <vector>

#include "core/value.h"
#include "odbc/column_description.h"
#include "odbc/statement.h"
#include "resultset/column_plan.h"

namespace tabulink {

class DbfTable;
class RowSource;
class TOdbc;
struct ColumnRead;
struct FetchedRow;
struct ValueFit;
struct ValueRest;

class RowReader {
 public:
  // Reads the rows of `rows`, whose columns `columns` describes; both outlive the reader.
  RowReader(RowSource& rows, const std::vector<ColumnDescription>& columns)
      : rows_(rows), columns_(columns) {}

  // From now on reads with `session` each column as its plan says; `rowNumber` gives the number
  // of the row being read, asked only for a report.
  void start(TOdbc* session, std::vector<ColumnPlan> plans, std::function<long()> rowNumber);
  std::vector<ColumnPlan>& plans() { return plans_; }
  const std::vector<ColumnPlan>& plans() const { return plans_; }

  // Takes the row the source has just fetched, as its read-ahead read it or read now.
  void takeFetched();
  // Takes the current row of `stmt`, read now, as row `row` of the result (a held row read again):
  // for a record, its bytes straight where they need no conversion.
  void take(SQLHSTMT stmt, long row);
  // Reads the current row of `stmt`, row `row` of the result, as values only (values()), every
  // column converted.
  void readValues(SQLHSTMT stmt, long row);

  // The row taken, column by column: its values (those not taken as bytes) and whether it is NULL.
  const std::vector<Value>& values() const { return values_; }
  bool isNull(size_t i) const;
  // Each column's flag in the cache (CachedRow::kValueFlag ...), in column order.
  std::string_view flags() const { return {flags_.data(), flags_.size()}; }
  // Column i's bytes: those taken as read (a text, a memo's text) or made for its field (a
  // number's, a logical's), else the text of its value; empty for other values. They stay valid
  // until the next row is taken.
  std::string_view bytes(size_t i) const {
    if (taken_[i].straight) return taken_[i].bytes;
    return values_[i].isText() ? std::string_view(values_[i].text()) : std::string_view();
  }
  // Column i's number as the plain text its field's bytes hold, when it was taken so and is not
  // NULL (the bytes made for the field end in such a text); else empty.
  std::string_view numberText(size_t i) const {
    return taken_[i].straight ? taken_[i].number : std::string_view();
  }
  // Column i's value as its cache field gives it back (a character field's text filled to the
  // field's width), which is not NULL.
  void value(size_t i, Value& out) const;

  // Writes the row taken into the cache table's new record, with its flags.
  void lay(DbfTable& table) const;

 private:
  // Columns `from` on (from 0) of the current row of `stmt`: as the read-ahead delivered them in
  // `row` (and up to its columns), else read now; each straight to its field bytes where they
  // need no conversion (not from a row that ends the read-ahead), else converted.
  void takeColumns(size_t from, const FetchedRow* row, SQLHSTMT stmt);
  // Column n into values_, read now from `stmt` or, when given, as the read-ahead delivered it
  // (`read`, and `rest` for a value it read on).
  void convert(int n, const ColumnRead* read, ValueRest* rest, SQLHSTMT stmt);
  // Column i as `read` (with `rest`, when given, for a value read on) delivered it, converted;
  // flagged longer than its field when it is.
  void takeConverted(size_t i, const ColumnRead& read, ValueRest* rest, SQLHSTMT stmt);
  // "Field '<name>' row <n>" of column i of the row being read.
  std::string whereRead(size_t i) const;
  // Reports column i as `fit` says it was not read whole; a text that is no number or no date
  // becomes NULL.
  void reportValue(size_t i, const ValueFit& fit);
  // Reports column i's number, which its field cannot hold, quoting the `source` text.
  void reportWidth(size_t i, std::string_view source);

  RowSource& rows_;
  const std::vector<ColumnDescription>& columns_;
  TOdbc* session_ = nullptr;
  std::vector<ColumnPlan> plans_;
  std::function<long()> rowNumber_;
  long rowReadAgain_ = 0;  // the number of a held row being read again, else 0
  std::vector<Value> values_;
  // The cache's flag of each column (CachedRow::kValueFlag ...); bytes, set for every value read.
  std::vector<char> flags_;
  // Whether a column's value was taken straight from the bytes read, and its bytes: the text read
  // (for a memo field, the memo text), or field bytes, and of a number not NULL the plain text
  // they end in. Columns not taken so are in values_.
  struct Taken {
    bool straight = false;
    std::string_view bytes;
    std::string_view number;
  };
  std::vector<Taken> taken_;
};

}  // namespace tabulink
