// Moving rows from the result set's statement into its cache table, one appended record per row;
// each row taken by the row reader, which holds the current row of a result read once.

#include "gui/ui.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"
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

bool TDbOdbcDirect::Fetch() {
  if (!rows_.fetch()) return false;
  reader_.takeFetched();
  return true;
}

void TDbOdbcDirect::ReadAhead() {
  rows_.readAhead(aFields_);
}

bool TDbOdbcDirect::readNextRow() {
  if (!Fetch()) return false;
  ++rowsRead_;
  return true;
}

bool TDbOdbcDirect::Fill(long nRows) {
  if (rows_.ended()) return false;
  if (readOnce_) {
    // Each row replaces the one before: nothing is kept but the current row.
    const bool all = nRows == 0;
    while ((all || nRows > 0) && !rows_.ended() && readOnce_) {
      ui().processPendingMessages();
      if (rows_.ended() || !readOnce_) break;
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
      reader_.lay(*table);
      // Read ahead, the rows are read once in order: those passed never reach the disk.
      if (rows_.readsAhead() && table->recNo() % kReleaseEvery == 0) table->releaseBeforeCurrent();
    }
    --nRows;
  }
  if (restore) areas.select(previous);
  return nRows == 0;
}

}  // namespace tabulink
