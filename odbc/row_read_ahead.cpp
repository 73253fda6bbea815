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

std::vector<size_t> widthsOf(const std::vector<RowReadAhead::Column>& columns) {
  std::vector<size_t> widths;
  for (const RowReadAhead::Column& column : columns)
    widths.push_back(column.bufferLength);
  return widths;
}

}  // namespace

RowReadAhead::RowReadAhead(SQLHDBC dbc, SQLHSTMT stmt, std::vector<Column> columns,
                           size_t memoryBudget)
    : stmt_(stmt), columns_(std::move(columns)), layout_(widthsOf(columns_)) {
  // A value never takes more than its buffer, so a slot holds a row in the buffers of its
  // columns. A buffer is as wide as the one SQLGetData would get, so a value bound to it comes
  // out cut where it would come out of that call cut.
  const size_t slotBytes =
      layout_.stride + columns_.size() * (sizeof(ColumnRead) + sizeof(ValueRest)) + sizeof(Slot);
  const bool allText = std::all_of(columns_.begin(), columns_.end(),
                                   [](const Column& column) { return column.cType == SQL_C_CHAR; });
  const bool readsOn = std::any_of(columns_.begin(), columns_.end(),
                                   [](const Column& column) { return column.readsWhole; });
  const size_t blockRows = allText && !columns_.empty()
                               ? BoundRowset::blockRows(dbc, readsOn, slotBytes, memoryBudget / 4)
                               : 0;
  size_t count = std::clamp<size_t>(memoryBudget / slotBytes, 2, 1024);
  // Whole blocks, so that none runs past the ring's end.
  if (blockRows > 0) count -= count % blockRows;
  slots_.resize(count);
  for (Slot& slot : slots_) {
    slot.reads.resize(columns_.size());
    slot.rests.resize(columns_.size());
  }
  bytes_.resize(count * layout_.stride / sizeof(SQLLEN));
  if (blockRows > 0) {
    rowset_ = BoundRowset::bind(
        stmt, layout_,
        std::span<char>(reinterpret_cast<char*>(bytes_.data()), count * layout_.stride), blockRows);
  }
  if (rowset_) first_ = rowset_->firstRow();
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
// that finds the flag unset has made its change visible to the sleeper's next check. A side
// that wakes the other clears the flag as it does, so it wakes it once, not with every row until
// the sleeper has run; a sleeper that finds it still has to wait sets its flag again before it
// looks.

void RowReadAhead::read(std::stop_token stop) {
  const uint64_t count = slots_.size();
  Slot* longRest = nullptr;  // the row handed over last holds a long value read on
  for (uint64_t row = 0; !stop.stop_requested(); ++row) {
    const size_t at = (row + first_) % count;
    // A block goes into the slots of all its rows at once, so they must all be free.
    const uint64_t fetched = std::max<size_t>(1, rowset_ ? rowset_->fetches(at) : 0);
    if (!waitForSlots(stop, row, longRest != nullptr ? 0 : count - fetched)) return;
    if (longRest != nullptr) {
      for (ValueRest& rest : longRest->rests) {
        if (rest.whole.capacity() > kRestKept) std::string().swap(rest.whole);
      }
      longRest->longRest = false;
      longRest = nullptr;
    }
    Slot& slot = slots_[at];
    readRow(at);
    written_.store(row + 1);
    if (callerWaits_.load() &&
        (row + 1 - released_.load() >= batch_ || slot.row.last || slot.longRest)) {
      std::lock_guard lock(mutex_);
      callerWaits_.store(false);
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
  const uint64_t wake = std::min(waiting, slots_.size() - batch_);
  std::unique_lock lock(mutex_);
  slotsFree_.wait(lock, stop, [&] {
    readerWaits_.store(true);
    return row - (releasedSeen_ = released_.load()) <= wake;
  });
  readerWaits_.store(false);
  return !stop.stop_requested();
}

void RowReadAhead::readRow(size_t at) {
  Slot& slot = slots_[at];
  char* bytes = reinterpret_cast<char*>(bytes_.data()) + at * layout_.stride;
  FetchedRow& row = slot.row;
  row.fetchRc = rowset_ ? rowset_->next(at) : SQLFETCH(stmt_);
  row.last = !succeeded(row.fetchRc);
  size_t read = 0;
  bool positioned = false;
  while (!row.last && read < columns_.size()) {
    const Column& column = columns_[read];
    ColumnRead& value = slot.reads[read];
    const int number = static_cast<int>(read + 1);
    if (!rowset_) {
      SQLGETDATA(stmt_, number, column.cType, layout_.value(bytes, read), value);
    } else {
      layout_.read(bytes, read, value);
      if (column.readsWhole && value.cut(column.bufferLength))
        readAgain(read, bytes, value, positioned);
    }
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

void RowReadAhead::readAgain(size_t column, char* bytes, ColumnRead& value, bool& positioned) {
  // The buffer holds the start of the value only; SQLGetData gives it again from its first
  // byte, so it is read as though the column were not bound, and read on from there.
  if (!positioned) {
    value = ColumnRead();
    value.rc = rowset_->position();
    if (!succeeded(value.rc)) return;
    positioned = true;
  }
  SQLGETDATA(stmt_, static_cast<int>(column + 1), SQL_C_CHAR, layout_.value(bytes, column), value);
}

const FetchedRow& RowReadAhead::next() {
  const uint64_t count = slots_.size();
  // The row taken before is done with: its slot may be read into again.
  if (taken_ > 0) {
    released_.store(taken_);
    if (readerWaits_.load() && count - (written_.load() - taken_) >= batch_) {
      std::lock_guard lock(mutex_);
      readerWaits_.store(false);
      slotsFree_.notify_one();
    }
  }
  // As on the reading side, the other thread's counter is read again only when the rows seen
  // are used up.
  if (writtenSeen_ == taken_) writtenSeen_ = written_.load();
  if (writtenSeen_ == taken_) {
    std::unique_lock lock(mutex_);
    rowsReady_.wait(lock, [&] {
      callerWaits_.store(true);
      writtenSeen_ = written_.load();
      if (writtenSeen_ == taken_) return false;
      const Slot& newest = slots_[(writtenSeen_ - 1 + first_) % count];
      return writtenSeen_ - taken_ >= batch_ || newest.row.last || newest.longRest;
    });
    callerWaits_.store(false);
  }
  const FetchedRow& row = slots_[(taken_ + first_) % count].row;
  ++taken_;
  // The reading thread ends right after handing over its last row; once it has, the statement
  // is the caller's alone.
  if (row.last) thread_.join();
  return row;
}

}  // namespace tabulink
