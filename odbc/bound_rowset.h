#pragma once
// Rows fetched in blocks: every column bound as an array of texts, so that one driver call brings
// a block of rows with all their values, where fetching each row and reading each value takes a
// call per row and per value. A value the array cut is read again with SQLGetData by whoever
// needs it whole, so the block needs a driver that allows that for a bound column (and, for blocks
// of more than one row, for a row of the block made current with SQLSetPos).
//
// While the object lives the columns of its statement stay bound to it; it unbinds them and sets
// the array size back to one row when it goes, so SQLFetch fetches single rows again.

#include <sql.h>

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "odbc/adapters.h"

namespace tabulink {

class BoundRowset {
 public:
  // Binds the columns of the result of `stmt`, each `widths[i]` bytes wide (the terminating zero
  // included), in blocks of as many rows as `budget` bytes hold (at most kMostRows). Null when the
  // driver of `dbc` offers no block fetch, or, with `readsOn`, no way to read a cut value whole,
  // or when a column cannot be bound: the rows are then to be fetched one by one.
  static std::unique_ptr<BoundRowset> bind(SQLHDBC dbc, SQLHSTMT stmt, std::vector<size_t> widths,
                                           bool readsOn, size_t budget);
  ~BoundRowset();
  BoundRowset(const BoundRowset&) = delete;
  BoundRowset& operator=(const BoundRowset&) = delete;

  // Moves to the next row, fetching the next block once the rows of this one are used up: the
  // row's return code (SQL_SUCCESS, or SQL_SUCCESS_WITH_INFO for a row the driver warned about),
  // or, when there is no further row, that of the fetch that gave none (SQL_NO_DATA or a failure).
  int next();
  // Column `column` (from 0) of the current row as SQLGetData would read it through a buffer of
  // the column's width, its bytes copied into `buffer` (at least that wide).
  void copy(size_t column, std::span<char> buffer, ColumnRead& read) const;
  // Makes the current row the one SQLGetData reads.
  int position();

  size_t rowsetSize() const { return rows_; }
  // The bytes of the arrays.
  size_t bytes() const {
    return values_.size() + indicators_.size() * sizeof(SQLLEN) +
           statuses_.size() * sizeof(SQLUSMALLINT);
  }

  // A divisor of the batches a driver fetches from its server in one go (psqlODBC's declare/fetch
  // reads Fetch= rows, 100 unless set, at a time): a block that fails then fails where fetching
  // each row would have, and the rows before it are still delivered. A driver that gets bigger
  // blocks fetches bigger batches, which moves where a failure strikes. Ten rows already save
  // nearly all the calls that a hundred save.
  static constexpr size_t kMostRows = 10;

 private:
  BoundRowset(SQLHSTMT stmt, std::vector<size_t> widths, size_t rows);
  bool bindColumns();
  int rowRc() const;
  // Whether the array cut the value of `column` in `row` (both from 0), or any value of `row`.
  bool cut(size_t column, size_t row) const;
  bool cutIn(size_t row) const;

  SQLHSTMT stmt_;
  std::vector<size_t> widths_;
  std::vector<size_t> starts_;  // where each column's array begins in values_
  size_t rows_;
  std::vector<char> values_;
  std::vector<SQLLEN> indicators_;  // column by column, rows_ each
  std::vector<SQLUSMALLINT> statuses_;
  SQLULEN fetchedRows_ = 0;  // written by the driver on each fetch
  size_t single_ = 0;        // rows still to fetch one at a time before the blocks
  size_t arraySize_ = 1;     // the rows the next fetch asks for
  size_t fetched_ = 0;       // the rows of the block to deliver
  size_t row_ = 0;           // the current row, from 1; 0 before the first of a block
  // The fetch failed after fetching the rows before the failing one: its code follows them.
  int endRc_ = SQL_SUCCESS;
  // The block came with a warning that none of its rows' statuses carries: its first row does.
  bool blockWarned_ = false;
  bool bound_ = false;
};

}  // namespace tabulink
