#include "odbc/row_read_ahead.h"

#include <algorithm>

#include "odbc/adapters.h"
#include "odbc/wrappers.h"

namespace tabulink {

RowReadAhead::RowReadAhead(SQLHSTMT stmt, std::vector<Column> columns, size_t memoryBudget)
    : stmt_(stmt), columns_(std::move(columns)) {
  size_t rowBytes = 0;
  for (const Column& column : columns_) {
    offsets_.push_back(rowBytes);
    rowBytes += column.bufferLength;
  }
  const size_t slotBytes = rowBytes + columns_.size() * sizeof(ColumnRead) + sizeof(Slot);
  slots_.resize(std::clamp<size_t>(memoryBudget / slotBytes, 2, 1024));
  for (Slot& slot : slots_) {
    slot.reads.resize(columns_.size());
    slot.bytes.resize(rowBytes);
  }
  batch_ = std::max<uint64_t>(1, slots_.size() / 4);
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
  for (uint64_t row = 0; !stop.stop_requested(); ++row) {
    if (row - released_.load() >= count) {
      std::unique_lock lock(mutex_);
      readerWaits_.store(true);
      slotsFree_.wait(lock, stop, [&] { return row - released_.load() <= count - batch_; });
      readerWaits_.store(false);
      if (stop.stop_requested()) return;
    }
    Slot& slot = slots_[row % count];
    readRow(slot);
    written_.store(row + 1);
    if (callerWaits_.load() && (rowsWaiting() >= batch_ || slot.row.last)) {
      std::lock_guard lock(mutex_);
      rowsReady_.notify_one();
    }
    if (slot.row.last) return;
  }
}

void RowReadAhead::readRow(Slot& slot) {
  FetchedRow& row = slot.row;
  row.fetchRc = SQLFETCH(stmt_);
  row.last = row.fetchRc != SQL_SUCCESS;
  size_t read = 0;
  while (!row.last && read < columns_.size()) {
    ColumnRead& column = slot.reads[read];
    const std::span<char> buffer(slot.bytes.data() + offsets_[read], columns_[read].bufferLength);
    SQLGETDATA(stmt_, static_cast<int>(read + 1), columns_[read].cType, buffer, column);
    // A cut the caller only reports leaves the statement on the next column as a whole read does.
    row.last = column.rc != SQL_SUCCESS &&
               (columns_[read].readsWhole || !column.cut(columns_[read].bufferLength));
    ++read;
  }
  row.columns = std::span<const ColumnRead>(slot.reads.data(), read);
}

const FetchedRow& RowReadAhead::next() {
  const uint64_t count = slots_.size();
  // The row taken before is done with: its slot may be read into again.
  if (taken_ > 0) {
    released_.store(taken_);
    if (readerWaits_.load() && count - rowsWaiting() >= batch_) {
      std::lock_guard lock(mutex_);
      slotsFree_.notify_one();
    }
  }
  if (written_.load() == taken_) {
    std::unique_lock lock(mutex_);
    callerWaits_.store(true);
    rowsReady_.wait(lock, [&] {
      const uint64_t written = written_.load();
      return written - taken_ >= batch_ ||
             (written != taken_ && slots_[(written - 1) % count].row.last);
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
