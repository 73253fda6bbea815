#include "app/screen_grid.h"

#include <algorithm>
#include <vector>

#include "app/dialogs.h"
#include "app/export_cells.h"
#include "app/live_result_sets.h"
#include "app/query_flow.h"
#include "core/picture.h"
#include "core/process_settings.h"
#include "core/text.h"
#include "gui/ui.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"
#include "table/work_areas.h"

namespace tabulink {
namespace {

int openGrids = 0;

// Grid windows still open after SCREENGRID returned, with the result set each shows (its window
// owns it).
struct OutlivingGrid {
  std::weak_ptr<TDbOdbcDirect> resultSet;
  WindowId window;
};
std::vector<OutlivingGrid> outlivingGrids;

bool stillOpen(const std::shared_ptr<TDbOdbcDirect>& resultSet) {
  return std::any_of(
      outlivingGrids.begin(), outlivingGrids.end(),
      [&resultSet](const OutlivingGrid& grid) { return grid.resultSet.lock() == resultSet; });
}

}  // namespace

void completeOpenGrids() {
  // Completing runs window messages: a grid may close (and leave the list) or open meanwhile, so
  // the loop goes over a copy, keeps each result set alive while it completes, and skips the
  // grids closed.
  const std::vector<OutlivingGrid> grids = outlivingGrids;
  for (const OutlivingGrid& grid : grids) {
    const std::shared_ptr<TDbOdbcDirect> resultSet = grid.resultSet.lock();
    if (!resultSet || !stillOpen(resultSet) || !resultSet->IsFilling()) continue;
    const long rows = resultSet->Complete();
    if (stillOpen(resultSet))
      ui().setWindowTitle(grid.window, progressTitle(" - Rows completed: ", rows));
  }
  ui().refreshGrid();
}

bool gridWindowOpen() {
  return openGrids > 0;
}

long screenRowCount(TDbOdbcDirect& resultSet) {
  return resultSet.IsFilling() ? resultSet.RowsHeld() : resultSet.RecCount();
}

std::string gridCellText(TDbOdbcDirect& resultSet, long row, int column) {
  // The cells come straight from the cache table; its last field (the null flags) is not shown.
  // A NULL shows empty, as in the text outputs, rather than as the stand-in the cache stores.
  DbfTable* table = WorkAreas::instance().table(resultSet.nWorkArea());
  if (table == nullptr || column < 1 || column > resultSet.FCount()) return std::string();
  if (table->recNo() != static_cast<uint32_t>(row)) table->goTo(row);
  if (resultSet.FieldIsNull(column)) return std::string();
  // A number shows as its field holds it, every digit, as the file outputs write it.
  const size_t i = static_cast<size_t>(column - 1);
  const DbfField& field = table->layout().fields[i];
  if (field.kind == FieldKind::Numeric && isPlainNumberText(table->bytes(i), field.decimals))
    return std::string(trimLeft(table->bytes(i)));
  return CVALTOCHAR(resultSet.FieldGet(column));
}

void SCREENGRID(const std::shared_ptr<TDbOdbcDirect>& resultSet) {
  TDbOdbcDirect* rs = resultSet.get();
  GridWindow window;
  window.title = std::string("Tabulink rel.") + std::string(kReleaseText) +
                 " - Rows: " + picture999(screenRowCount(*rs));
  window.headers = rs->FieldNames();
  for (int n = 1; n <= rs->FCount(); ++n)
    window.numeric.push_back(rs->FieldType(n) == 'N');
  window.rowCount = [rs] { return rs->RowsHeld(); };
  window.cell = [rs](long row, int column) { return gridCellText(*rs, row, column); };
  // Select all: the rest of the result first, its progress in the active window's title.
  window.complete = [rs] {
    constexpr long kStep = 1000;
    const long position = rs->Recno();
    while (!rs->IsComplete() && rs->RowsHeld() > 0) {
      rs->Goto(rs->RowsHeld() + kStep);
      CHKCURSOR(rs->RowsHeld(), *rs, 0);
    }
    rs->Goto(position);
    CHKCURSOR(0, *rs, 0);
  };
  // The window keeps the result set: a grid opened while another is open outlives this call.
  auto closed = std::make_shared<bool>(false);
  window.onClose = [kept = resultSet, closed] {
    *closed = true;
    std::erase_if(outlivingGrids,
                  [&kept](const OutlivingGrid& grid) { return grid.resultSet.lock() == kept; });
    kept->End();
    releaseResultSet(kept.get());
    --openGrids;
    return true;
  };
  keepResultSet(resultSet);
  ++openGrids;
  DialogOutcome outcome = ui().gridWindow(window);
  // A grid opened beside another returns while still open.
  if (outcome == DialogOutcome::Closed && !*closed)
    outlivingGrids.push_back({resultSet, window.window});
  if (outcome == DialogOutcome::NoDisplay) {
    --openGrids;
    releaseResultSet(rs);
    reportNoDisplay(outcome, "grid window", "choose a file output Type for an unattended run");
    rs->End();
  }
}

}  // namespace tabulink
