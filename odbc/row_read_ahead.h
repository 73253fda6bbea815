#pragma once
// Reading the rows of a statement on a second thread, ahead of their use: that thread fetches the
// next rows while the caller works on the current one, so the driver's work and the caller's
// overlap. Where the driver allows it, the rows come in blocks straight into the slots they are
// handed over in, every column bound there (see BoundRowset), and a value its buffer cut is read
// whole with SQLGetData; otherwise each row takes an SQLFetch call and one SQLGetData call per
// column into its slot. Either way the caller sees the same rows, values and return codes. The
// rows wait in a ring of a fixed number of slots, so memory stays the same whatever the size of
// the result.
//
// While the object lives, nothing else may call the driver manager for its statement or that
// statement's connection. A warning (SQL_SUCCESS_WITH_INFO) never ends the reading: its return
// code travels with the row, and a value of a column read whole that the buffer cut is read on
// by the reading thread. Reading stops at the end of the rows or at the first call that fails:
// that call's row is the last one handed over, and by then the second thread has ended, so the
// statement is the caller's again and its diagnostics are those of that call.

#include <sql.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "odbc/adapters.h"
#include "odbc/bound_rowset.h"

namespace tabulink {

struct FetchedRow {
  int fetchRc = SQL_SUCCESS;
  // The columns read, in order: all of them, or those up to and including the first whose call
  // failed; none when the fetch gave no row.
  std::span<const ColumnRead> columns;
  // Beside each column: the value read on when the first read cut it and the column is read
  // whole (the caller may cut it further).
  std::span<ValueRest> rests;
  bool last = false;  // no row follows this one
};

class RowReadAhead {
 public:
  struct Column {
    int cType = SQL_C_CHAR;
    size_t bufferLength = 1;  // bytes offered to SQLGetData, the terminating zero included
    bool readsWhole = false;  // a text value cut by the buffer is read on, up to the cap
  };

  // Starts reading `stmt`, a statement of connection `dbc`, with the given columns (numbered from
  // 1 in the calls) into as many slots as `memoryBudget` bytes hold, at least two; a block of
  // rows takes a quarter of them at most. Throws std::system_error when no thread can be
  // started.
  RowReadAhead(SQLHDBC dbc, SQLHSTMT stmt, std::vector<Column> columns,
               size_t memoryBudget = kMemoryBudget);
  // Stops the reading once the call in flight has returned.
  ~RowReadAhead();
  RowReadAhead(const RowReadAhead&) = delete;
  RowReadAhead& operator=(const RowReadAhead&) = delete;

  // The next row, once it is read; valid until the next call. Not to be called after a row
  // marked `last`.
  const FetchedRow& next();

  size_t slotCount() const { return slots_.size(); }
  // Rows fetched in one call: 0 when each row is fetched on its own.
  size_t blockRows() const { return rowset_ ? rowset_->rowsetSize() : 0; }

  static constexpr size_t kMemoryBudget = size_t{4} << 20;

 private:
  static constexpr size_t kCacheLine = 64;

  struct Slot {
    FetchedRow row;
    std::vector<ColumnRead> reads;
    std::vector<ValueRest> rests;
    bool longRest = false;  // a rest holds more than kRestKept bytes
  };
  // A value read on beyond this many bytes is let go once the caller is done with it, and the
  // reading waits for that first, so the ring never holds more than one such value.
  static constexpr size_t kRestKept = 1024;

  void read(std::stop_token stop);
  void readRow(size_t at);
  // Column `column` of the current row of the block, whose buffer cut it, read anew into the
  // row's bytes `bytes` (as a value read whole needs).
  void readAgain(size_t column, char* bytes, ColumnRead& value, bool& positioned);
  // Waits until the caller has given back all but `waiting` rows before `row`; false on a stop.
  bool waitForSlots(std::stop_token& stop, uint64_t row, uint64_t waiting);

  SQLHSTMT stmt_;
  std::vector<Column> columns_;
  RowLayout layout_;  // of each slot's values, as read or as bound
  std::vector<Slot> slots_;
  // The slots' values, `layout_.stride` bytes each (whole SQLLENs, so the lengths are aligned).
  std::vector<SQLLEN> bytes_;
  std::unique_ptr<BoundRowset> rowset_;  // null when each row is fetched on its own
  // The ring row of the first row read, so that the rows of each block lie in a run of slots.
  size_t first_ = 0;
  // Each side that has to wait sleeps until a batch of rows (or of free slots) is there, so the
  // threads wake each other once per batch rather than once per row.
  uint64_t batch_ = 1;
  // Rows handed over by the reading thread, and rows given back by the caller (64 bits: they never
  // wrap). Each counter is written by one thread only and sits on a line of its own beside what
  // only that thread uses, so the two threads do not share a line that changes with every row;
  // each side reads the other's counter again only when what it saw last is used up.
  alignas(kCacheLine) std::atomic<uint64_t> written_{0};
  uint64_t releasedSeen_ = 0;  // reading thread only
  alignas(kCacheLine) std::atomic<uint64_t> released_{0};
  uint64_t taken_ = 0;        // rows the caller has taken (caller's thread only)
  uint64_t writtenSeen_ = 0;  // caller's thread only
  // Who sleeps: written when a side starts or stops waiting (or is woken), read by the other for
  // every row.
  alignas(kCacheLine) std::atomic<bool> readerWaits_{false};
  std::atomic<bool> callerWaits_{false};
  std::mutex mutex_;
  std::condition_variable_any slotsFree_;
  std::condition_variable rowsReady_;
  std::jthread thread_;
};

}  // namespace tabulink
