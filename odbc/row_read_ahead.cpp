#include "odbc/row_read_ahead.h"

#include <algorithm>

#include "odbc/adapters.h"
#include "odbc/column_description.h"
#include "odbc/wrappers.h"

namespace tabulink {
namespace {

bool succeeded(int rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

}  // namespace

RowReadAhead::RowReadAhead(SQLHDBC dbc, SQLHSTMT stmt, std::vector<Column> columns,
                           size_t memoryBudget)
    : stmt_(stmt), columns_(std::move(columns)) {
  // The array of a column is as wide as the buffer SQLGetData would get, so a value comes out of
  // it cut where it would come out of that call cut.
  const bool allText = std::all_of(columns_.begin(), columns_.end(),
                                   [](const Column& column) { return column.cType == SQL_C_CHAR; });
  const bool readsOn = std::any_of(columns_.begin(), columns_.end(),
                                   [](const Column& column) { return column.readsWhole; });
  if (allText) {
    std::vector<size_t> widths;
    for (const Column& column : columns_)
      widths.push_back(column.bufferLength);
    rowset_ = BoundRowset::bind(dbc, stmt, std::move(widths), readsOn, memoryBudget / 4);
  }
  // Each value is read in right behind the one before, so a row's bytes lie together whatever
  // room the columns offer, and the caller's core loads few lines of them. A value never takes
  // more than its buffer, so the row never needs more than all the buffers together.
  size_t rowBytes = 0;
  for (const Column& column : columns_)
    rowBytes += column.bufferLength;
  const size_t slotBytes =
      rowBytes + columns_.size() * (sizeof(ColumnRead) + sizeof(ValueRest)) + sizeof(Slot);
  const size_t ringBudget = memoryBudget - std::min(memoryBudget, rowset_ ? rowset_->bytes() : 0);
  slots_.resize(std::clamp<size_t>(ringBudget / slotBytes, 2, 1024));
  for (Slot& slot : slots_) {
    slot.reads.resize(columns_.size());
    slot.rests.resize(columns_.size());
    slot.bytes.resize(rowBytes);
  }
  // Three quarters of the ring: a side that waits sleeps seldom (every sleep and wake-up costs
  // both threads far more than the row it waits for), and the other still has a quarter of the
  // ring to go on with while it wakes.
  batch_ = std::max<uint64_t>(1, slots_.size() * 3 / 4);
  thread_ = std::jthread([this](std::stop_token stop) { read(stop); });
}

RowReadAhead::~RowReadAhead() {
  // The stop wakes a reading thread that waits for free slots; one inside a driver call ends
  // once that call has returned.
  if (thread_.joinable()) {
    thread_.request_stop();
    thread_.join();
  }
}

// Both sides use sequentially consistent operations on the counters and on the flags that say
// who sleeps: a side that sets its flag and then finds nothing to wait for never sleeps, and one
// that finds the flag unset has made its change visible to the sleeper's next check.

void RowReadAhead::read(std::stop_token stop) {
  const uint64_t count = slots_.size();
  Slot* longRest = nullptr;  // the row handed over last holds a long value read on
  for (uint64_t row = 0; !stop.stop_requested(); ++row) {
    if (longRest != nullptr) {
      if (!waitForSlots(stop, row, 0)) return;
      for (ValueRest& rest : longRest->rests) {
        if (rest.whole.capacity() > kRestKept) std::string().swap(rest.whole);
      }
      longRest->longRest = false;
      longRest = nullptr;
    } else if (!waitForSlots(stop, row, count - 1)) {
      return;
    }
    Slot& slot = slots_[row % count];
    readRow(slot);
    written_.store(row + 1);
    if (callerWaits_.load() &&
        (row + 1 - released_.load() >= batch_ || slot.row.last || slot.longRest)) {
      std::lock_guard lock(mutex_);
      rowsReady_.notify_one();
    }
    if (slot.row.last) return;
    if (slot.longRest) longRest = &slot;
  }
}

bool RowReadAhead::waitForSlots(std::stop_token& stop, uint64_t row, uint64_t waiting) {
  // The count seen last is looked at first: the caller's counter changes with every row it takes,
  // and reading it for every row read would move its cache line from core to core each time.
  if (row - releasedSeen_ <= waiting) return true;
  releasedSeen_ = released_.load();
  if (row - releasedSeen_ <= waiting) return true;
  // Once waiting, sleep until a batch of slots is free (or the one long value is done with).
  const uint64_t wake = waiting == 0 ? 0 : slots_.size() - batch_;
  std::unique_lock lock(mutex_);
  readerWaits_.store(true);
  slotsFree_.wait(lock, stop, [&] { return row - (releasedSeen_ = released_.load()) <= wake; });
  readerWaits_.store(false);
  return !stop.stop_requested();
}

void RowReadAhead::readRow(Slot& slot) {
  FetchedRow& row = slot.row;
  row.fetchRc = rowset_ ? rowset_->next() : SQLFETCH(stmt_);
  row.last = !succeeded(row.fetchRc);
  size_t read = 0;
  size_t at = 0;  // where the next value goes in the slot's bytes
  bool positioned = false;
  while (!row.last && read < columns_.size()) {
    const Column& column = columns_[read];
    ColumnRead& value = slot.reads[read];
    const std::span<char> buffer(slot.bytes.data() + at, column.bufferLength);
    const int number = static_cast<int>(read + 1);
    readValue(read, buffer, value, positioned);
    at += value.bytes.size();
    row.last = !succeeded(value.rc);
    if (!row.last && column.readsWhole && column.cType == SQL_C_CHAR &&
        value.cut(column.bufferLength)) {
      ValueRest& rest = slot.rests[read];
      SQLGETDATAREST(stmt_, number, value, column.bufferLength, kMaxColumnLength, rest);
      // The reading on may have offered more room than the value took; keep only what it took.
      if (rest.whole.size() <= kRestKept) rest.whole.shrink_to_fit();
      slot.longRest = slot.longRest || rest.whole.size() > kRestKept;
      // Running out of data only ends the value.
      row.last = !succeeded(rest.last.rc) && rest.last.rc != SQL_NO_DATA;
    }
    ++read;
  }
  row.columns = std::span<const ColumnRead>(slot.reads.data(), read);
  row.rests = std::span<ValueRest>(slot.rests.data(), read);
}

void RowReadAhead::readValue(size_t column, std::span<char> buffer, ColumnRead& value,
                             bool& positioned) {
  const Column& described = columns_[column];
  const int number = static_cast<int>(column + 1);
  if (!rowset_) {
    SQLGETDATA(stmt_, number, described.cType, buffer, value);
    return;
  }
  rowset_->copy(column, buffer, value);
  if (!described.readsWhole || !value.cut(described.bufferLength)) return;
  // The array holds the start of the value only; SQLGetData gives it again from its first byte,
  // so it is read as though no array had been bound, and read on from there.
  if (!positioned) {
    value = ColumnRead();
    value.rc = rowset_->position();
    if (!succeeded(value.rc)) return;
    positioned = true;
  }
  SQLGETDATA(stmt_, number, described.cType, buffer, value);
}

const FetchedRow& RowReadAhead::next() {
  const uint64_t count = slots_.size();
  // The row taken before is done with: its slot may be read into again.
  if (taken_ > 0) {
    released_.store(taken_);
    if (readerWaits_.load() && count - (written_.load() - taken_) >= batch_) {
      std::lock_guard lock(mutex_);
      slotsFree_.notify_one();
    }
  }
  // As on the reading side, the other thread's counter is read again only when the rows seen
  // are used up.
  if (writtenSeen_ == taken_) writtenSeen_ = written_.load();
  if (writtenSeen_ == taken_) {
    std::unique_lock lock(mutex_);
    callerWaits_.store(true);
    rowsReady_.wait(lock, [&] {
      writtenSeen_ = written_.load();
      if (writtenSeen_ == taken_) return false;
      const Slot& newest = slots_[(writtenSeen_ - 1) % count];
      return writtenSeen_ - taken_ >= batch_ || newest.row.last || newest.longRest;
    });
    callerWaits_.store(false);
  }
  const FetchedRow& row = slots_[taken_ % count].row;
  ++taken_;
  // The reading thread ends right after handing over its last row; once it has, the statement
  // is the caller's alone.
  if (row.last) thread_.join();
  return row;
}

}  // namespace tabulink
