#include "odbc/bound_rowset.h"

#include <sqlext.h>

#include <algorithm>
#include <array>

#include "odbc/rowset_wrappers.h"
#include "odbc/wrappers.h"

namespace tabulink {
namespace {

bool delivered(SQLUSMALLINT status) {
  return status == SQL_ROW_SUCCESS || status == SQL_ROW_SUCCESS_WITH_INFO;
}

}  // namespace

RowLayout::RowLayout(std::vector<size_t> columnWidths) : widths(std::move(columnWidths)) {
  size_t at = 0;
  for (size_t width : widths) {
    valueAt.push_back(at);
    at += width;
  }
  indicatorsAt = (at + alignof(SQLLEN) - 1) / alignof(SQLLEN) * alignof(SQLLEN);
  stride = indicatorAt(widths.size());
}

size_t BoundRowset::blockRows(SQLHDBC dbc, bool readsOn, size_t rowBytes, size_t budget) {
  if (dbc == SQL_NULL_HDBC) return 0;
  SQLUINTEGER getData = 0;
  SQLGETINFO32(dbc, SQL_GETDATA_EXTENSIONS, getData);
  if (readsOn && (getData & SQL_GD_BOUND) == 0) return 0;
  // A cut value of a row other than the block's last can only be read again once that row is
  // made current; without that, blocks are of one row (which still saves a call per value).
  SQLUINTEGER positions = 0;
  SQLGETINFO32(dbc, SQL_POS_OPERATIONS, positions);
  const bool manyRows =
      !readsOn || ((getData & SQL_GD_BLOCK) != 0 && (positions & SQL_POS_POSITION) != 0 &&
                   SQLFUNCTIONOFFERED(dbc, SQL_API_SQLSETPOS));
  if (!manyRows) return 1;
  static constexpr std::array<size_t, 3> kRows = {kMostRows, 5, 2};
  const auto fits = std::find_if(kRows.begin(), kRows.end(),
                                 [&](size_t candidate) { return candidate * rowBytes <= budget; });
  return fits != kRows.end() ? *fits : 1;
}

std::unique_ptr<BoundRowset> BoundRowset::bind(SQLHSTMT stmt, const RowLayout& layout,
                                               std::span<char> ring, size_t rows) {
  std::unique_ptr<BoundRowset> rowset(new BoundRowset(stmt, layout, ring, rows));
  // Rows fetched before (the row number fails when there is no current row) come first, one at
  // a time up to a multiple of the block: the blocks then lie within the driver's own batches.
  SQLULEN fetchedBefore = 0;
  SQLGETSTMTATTR32(stmt, SQL_ATTR_ROW_NUMBER, fetchedBefore);
  rowset->single_ = (rows - fetchedBefore % rows) % rows;
  if (!rowset->bindColumns()) return nullptr;
  return rowset;
}

BoundRowset::BoundRowset(SQLHSTMT stmt, const RowLayout& layout, std::span<char> ring, size_t rows)
    : stmt_(stmt), layout_(layout), ring_(ring), rows_(rows), statuses_(rows) {}

bool BoundRowset::bindColumns() {
  bound_ = true;
  arraySize_ = single_ > 0 ? 1 : rows_;
  if (!SQL_SUCCEEDED(SQLSETSTMTATTR(stmt_, SQL_ATTR_ROW_BIND_TYPE, SQLULEN{layout_.stride})) ||
      !SQL_SUCCEEDED(SQLSETSTMTATTR(stmt_, SQL_ATTR_ROW_BIND_OFFSET_PTR, &offset_)) ||
      !SQL_SUCCEEDED(SQLSETSTMTATTR(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, arraySize_)) ||
      !SQL_SUCCEEDED(SQLSETSTMTATTR(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, &fetchedRows_)) ||
      !SQL_SUCCEEDED(SQLSETSTMTATTR(stmt_, SQL_ATTR_ROW_STATUS_PTR, statuses_.data())))
    return false;
  for (size_t i = 0; i < layout_.widths.size(); ++i) {
    if (!SQL_SUCCEEDED(
            SQLBINDCOL(stmt_, static_cast<int>(i + 1), SQL_C_CHAR, layout_.value(ring_.data(), i),
                       reinterpret_cast<SQLLEN*>(ring_.data() + layout_.indicatorAt(i)))))
      return false;
  }
  return true;
}

BoundRowset::~BoundRowset() {
  if (!bound_) return;
  // The driver must not write through pointers to buffers that are about to go.
  SQLFREESTMT(stmt_, SQL_UNBIND);
  SQLSETSTMTATTR(stmt_, SQL_ATTR_ROW_STATUS_PTR, nullptr);
  SQLSETSTMTATTR(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, nullptr);
  SQLSETSTMTATTR(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, SQLULEN{1});
  SQLSETSTMTATTR(stmt_, SQL_ATTR_ROW_BIND_OFFSET_PTR, nullptr);
  SQLSETSTMTATTR(stmt_, SQL_ATTR_ROW_BIND_TYPE, SQLULEN{SQL_BIND_BY_COLUMN});
}

size_t BoundRowset::fetches(size_t at) const {
  if (row_ < fetched_ || endRc_ != SQL_SUCCESS) return 0;
  // A block that ended early only ends the rows, so the next one never starts off the block's
  // multiples; were it to, it is cut short at the ring's end rather than written past it.
  return std::min(single_ > 0 ? 1 : rows_, ring_.size() / layout_.stride - at);
}

int BoundRowset::next(size_t at) {
  if (row_ < fetched_) {
    ++row_;
    return rowRc();
  }
  if (endRc_ != SQL_SUCCESS) return endRc_;
  const size_t ask = fetches(at);
  fetched_ = 0;
  row_ = 0;
  // A driver that fails leaves statuses it did not write as they were.
  std::fill(statuses_.begin(), statuses_.end(), static_cast<SQLUSMALLINT>(SQL_ROW_NOROW));
  if (ask != arraySize_) {
    arraySize_ = ask;
    const int sized = SQLSETSTMTATTR(stmt_, SQL_ATTR_ROW_ARRAY_SIZE, arraySize_);
    if (!SQL_SUCCEEDED(sized)) return endRc_ = sized;
  }
  if (single_ > 0) --single_;
  offset_ = at * layout_.stride;
  fetchedRows_ = 0;
  const int rc = SQLFETCH(stmt_);
  const SQLULEN rows = fetchedRows_;
  const bool failed = rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO;
  if (rc == SQL_NO_DATA) return endRc_ = rc;
  // The rows before a row the driver could not fetch are delivered, as fetching each would have
  // delivered them; that row's failure ends the rows.
  const auto end = statuses_.begin() + static_cast<std::ptrdiff_t>(std::min<SQLULEN>(rows, ask));
  const auto stop = std::find_if_not(statuses_.begin(), end, delivered);
  fetched_ = static_cast<size_t>(stop - statuses_.begin());
  if (failed || stop != end) endRc_ = failed ? rc : SQL_ERROR;
  // A fetch that succeeded without saying how many rows it gave is not taken for the end of
  // the rows: those rows would be lost without a word.
  if (fetched_ == 0) {
    if (endRc_ == SQL_SUCCESS) endRc_ = SQL_ERROR;
    return endRc_;
  }
  // The warning of a block with a value its buffer cut is that cut's, which the value carries as
  // SQLGetData's would; fetching each row would not have warned of it.
  blockWarned_ = rc == SQL_SUCCESS_WITH_INFO &&
                 std::find(statuses_.begin(), stop, SQL_ROW_SUCCESS_WITH_INFO) == stop;
  for (size_t row = 0; blockWarned_ && row < fetched_; ++row)
    blockWarned_ = !cutIn(row);
  row_ = 1;
  return rowRc();
}

bool BoundRowset::cutIn(size_t row) const {
  const char* bytes = blockRow(row);
  for (size_t column = 0; column < layout_.widths.size(); ++column) {
    if (layout_.cut(layout_.indicator(bytes, column), column)) return true;
  }
  return false;
}

int BoundRowset::rowRc() const {
  const size_t row = row_ - 1;
  const bool warned =
      statuses_[row] == SQL_ROW_SUCCESS_WITH_INFO ? !cutIn(row) : row == 0 && blockWarned_;
  return warned ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

int BoundRowset::position() {
  return rows_ == 1 ? SQL_SUCCESS : SQLPOSITION(stmt_, static_cast<int>(row_));
}

}  // namespace tabulink
