#pragma once
// Rows fetched in blocks: every column bound as text, row by row, so that one driver call brings
// a block of rows with all their values, where fetching each row and reading each value takes a
// call per row and per value. The rows go straight where their reader keeps them: a ring of rows
// laid out alike (RowLayout), each block into as many rows of it as it holds, so no value is
// copied after the driver wrote it. A value its buffer cut is read again with SQLGetData by
// whoever needs it whole, so the block needs a driver that allows that for a bound column (and,
// for blocks of more than one row, for a row of the block made current with SQLSetPos).
//
// While the object lives the columns of its statement stay bound to it; it unbinds them and sets
// the statement back to fetching one row into no buffers when it goes, so SQLFetch fetches single
// rows again.

#include <sql.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "odbc/adapters.h"
#include "odbc/rowset_wrappers.h"

namespace tabulink {

// Where a row's values lie in a row of `stride` bytes: value `i` in its `widths[i]` bytes (the
// terminating zero included) at `valueAt[i]`, the length the driver gave for it at
// `indicatorAt(i)`. Rows follow one another `stride` bytes apart, which keeps the indicators
// aligned.
struct RowLayout {
  explicit RowLayout(std::vector<size_t> columnWidths);
  size_t indicatorAt(size_t column) const { return indicatorsAt + column * sizeof(SQLLEN); }
  // The buffer of value `column` in the row at `row`.
  std::span<char> value(char* row, size_t column) const {
    return {row + valueAt[column], widths[column]};
  }
  SQLLEN indicator(const char* row, size_t column) const {
    SQLLEN given = 0;
    std::memcpy(&given, row + indicatorAt(column), sizeof given);
    return given;
  }
  // Whether the buffer of `column` cut a value the driver gave the length `given` for.
  bool cut(SQLLEN given, size_t column) const {
    return given == SQL_NO_TOTAL || (given > 0 && static_cast<size_t>(given) >= widths[column]);
  }
  // Value `column` of the row at `row` as SQLGetData reading it through a buffer of the
  // column's width would have given it; its bytes stay where the driver wrote them.
  void read(char* row, size_t column, ColumnRead& into) const {
    const SQLLEN given = indicator(row, column);
    const bool cutHere = cut(given, column);
    // A value its buffer held whole is as long as the driver says (the usual case, no call).
    into.bytes = given >= 0 && !cutHere
                     ? std::string_view(row + valueAt[column], static_cast<size_t>(given))
                     : boundText(value(row, column), given);
    into.total = given;
    into.isNull = given == SQL_NULL_DATA;
    // SQLGetData warns of a value its buffer cut; the same read through the bound buffer does.
    into.rc = cutHere ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
  }

  std::vector<size_t> widths;
  std::vector<size_t> valueAt;
  size_t indicatorsAt = 0;
  size_t stride = 0;
};

class BoundRowset {
 public:
  // The rows of a block for rows of `rowBytes` bytes when at most `budget` bytes go to one: 0
  // when the driver of `dbc` offers no block fetch, or, with `readsOn`, no way to read a cut
  // value whole (at most kMostRows).
  static size_t blockRows(SQLHDBC dbc, bool readsOn, size_t rowBytes, size_t budget);
  // Binds the columns of the result of `stmt` into the first row of `ring`, rows laid out as
  // `layout` says, fetching blocks of `rows` rows (`ring` holds a multiple of them); both outlive
  // the object. Null when a column cannot be bound: the rows are then to be fetched one by one.
  static std::unique_ptr<BoundRowset> bind(SQLHSTMT stmt, const RowLayout& layout,
                                           std::span<char> ring, size_t rows);
  ~BoundRowset();
  BoundRowset(const BoundRowset&) = delete;
  BoundRowset& operator=(const BoundRowset&) = delete;

  // The ring row of the first row fetched: the blocks that follow the rows fetched before them
  // one at a time then start at multiples of the block, and never run past the ring's end.
  size_t firstRow() const { return (rows_ - single_) % rows_; }
  // The rows the next call of `next` fetches into, from ring row `at` on: 0 when the row comes
  // from the block at hand or no row follows.
  size_t fetches(size_t at) const;
  // Moves to the next row, ring row `at`, fetching the next block there once the rows of this
  // one are used up: the row's return code (SQL_SUCCESS, or SQL_SUCCESS_WITH_INFO for a row the
  // driver warned about), or, when there is no further row, that of the fetch that gave none
  // (SQL_NO_DATA or a failure).
  int next(size_t at);
  // Makes the current row the one SQLGetData reads.
  int position();

  size_t rowsetSize() const { return rows_; }

  // A divisor of the batches a driver fetches from its server in one go (psqlODBC's declare/fetch
  // reads Fetch= rows, 100 unless set, at a time): a block that fails then fails where fetching
  // each row would have, and the rows before it are still delivered. A driver that gets bigger
  // blocks fetches bigger batches, which moves where a failure strikes. Ten rows already save
  // nearly all the calls that a hundred save.
  static constexpr size_t kMostRows = 10;

 private:
  BoundRowset(SQLHSTMT stmt, const RowLayout& layout, std::span<char> ring, size_t rows);
  bool bindColumns();
  int rowRc() const;
  // The row `row` (from 0) of the block, and whether its buffers cut any of its values.
  char* blockRow(size_t row) const { return ring_.data() + offset_ + row * layout_.stride; }
  bool cutIn(size_t row) const;

  SQLHSTMT stmt_;
  const RowLayout& layout_;
  std::span<char> ring_;
  size_t rows_;
  std::vector<SQLUSMALLINT> statuses_;
  SQLULEN fetchedRows_ = 0;  // written by the driver on each fetch
  SQLULEN offset_ = 0;       // where the block goes in the ring, read by the driver on each fetch
  size_t single_ = 0;        // rows still to fetch one at a time before the blocks
  size_t arraySize_ = 1;     // the rows the last fetch asked for
  size_t fetched_ = 0;       // the rows of the block to deliver
  size_t row_ = 0;           // the current row, from 1; 0 before the first of a block
  // The fetch failed after fetching the rows before the failing one: its code follows them.
  int endRc_ = SQL_SUCCESS;
  // The block came with a warning that none of its rows' statuses carries: its first row does.
  bool blockWarned_ = false;
  bool bound_ = false;
};

}  // namespace tabulink
