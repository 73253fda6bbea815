#include "app/screen_grid.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/dialogs.h"
#include "app/export_cells.h"
#include "app/export_output.h"
#include "app/live_result_sets.h"
#include "app/query_flow.h"
#include "core/picture.h"
#include "core/process_settings.h"
#include "core/text.h"
#include "gui/ui.h"
#include "resultset/cache_reader.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbf_table.h"
#include "table/work_areas.h"

namespace tabulink {
namespace {

using Clock = std::chrono::steady_clock;

// A fill's rows reach its grid this often, its title a few times a second: each costs the
// display more than many fetches.
constexpr auto kRowsEvery = std::chrono::milliseconds(100);
constexpr auto kTitleEvery = std::chrono::milliseconds(250);

// A grid window open now, with the result set it shows (its window owns it) and when its fill
// last showed progress there.
struct OpenGrid {
  std::weak_ptr<TDbOdbcDirect> resultSet;
  std::shared_ptr<GridWindow> window;  // its id set by the backend once shown
  Clock::time_point rowsShown;
  Clock::time_point titled;
};
std::vector<OpenGrid> openGrids;

OpenGrid* gridOf(const TDbOdbcDirect* resultSet) {
  auto it = std::find_if(openGrids.begin(), openGrids.end(), [resultSet](const OpenGrid& grid) {
    return grid.resultSet.lock().get() == resultSet;
  });
  return it != openGrids.end() && it->window->window != 0 ? &*it : nullptr;
}

void forget(const TDbOdbcDirect* resultSet) {
  std::erase_if(openGrids, [resultSet](const OpenGrid& grid) {
    return grid.resultSet.expired() || grid.resultSet.lock().get() == resultSet;
  });
}

}  // namespace

void completeOpenGrids() {
  // Completing runs window messages: a grid may close (and leave the list) or open meanwhile, so
  // the loop goes over the result sets, keeps each alive while it completes, and skips the grids
  // closed.
  std::vector<std::shared_ptr<TDbOdbcDirect>> filling;
  for (const OpenGrid& grid : openGrids)
    if (auto resultSet = grid.resultSet.lock()) filling.push_back(resultSet);
  for (const std::shared_ptr<TDbOdbcDirect>& resultSet : filling) {
    if (gridOf(resultSet.get()) == nullptr || !resultSet->IsFilling()) continue;
    resultSet->Complete();
    CHKCURSOR(0, *resultSet);
  }
}

void showGridProgress(TDbOdbcDirect& resultSet, long row) {
  OpenGrid* grid = gridOf(&resultSet);
  if (grid == nullptr) return;
  const WindowId window = grid->window->window;
  const Clock::time_point now = Clock::now();
  if (row == 0 || now - grid->rowsShown >= kRowsEvery) {
    grid->rowsShown = now;
    ui().refreshGrid(window);
  }
  if (row == 0) {
    ui().setWindowTitle(window, progressTitle(" - Rows completed: ", resultSet.RecCount()));
  } else if (now - grid->titled >= kTitleEvery) {
    grid->titled = now;
    ui().setWindowTitle(window, progressTitle(" - Rows retrieved so far: ", row));
  }
}

long screenRowCount(TDbOdbcDirect& resultSet) {
  return resultSet.IsFilling() ? resultSet.RowsHeld() : resultSet.RecCount();
}

std::string gridCellText(CacheReader& reader, long row, int column) {
  // The cells come from the cache table through the grid's own cursor: painting never moves the
  // record a timer fill or an edit works on. A NULL shows empty, as in the text outputs, rather
  // than as the stand-in the cache stores.
  const CachedRow& cells = reader.row(row);
  const size_t i = static_cast<size_t>(column - 1);
  const DbfField* field = column >= 1 ? cells.field(i) : nullptr;
  if (field == nullptr || cells.isNull(i)) return std::string();
  // A number shows as its field holds it, every digit, as the file outputs write it.
  const bool number = field->kind == FieldKind::Numeric;
  if (const std::string_view plain = number ? cells.numberText(i) : std::string_view();
      !plain.empty())
    return std::string(plain);
  // The blanks that fill a value to its field's width are no part of it.
  Value value;
  reader.value(i, value);
  std::string text = CVALTOCHAR(value);
  text.erase(text.find_last_not_of(' ') + 1);
  if (number) text.erase(0, text.find_first_not_of(' '));
  return text;
}

void SCREENGRID(const std::shared_ptr<TDbOdbcDirect>& resultSet) {
  TDbOdbcDirect* rs = resultSet.get();
  auto shown = std::make_shared<GridWindow>();
  GridWindow& window = *shown;
  window.title = std::string("Tabulink rel.") + std::string(kReleaseText) +
                 " - Rows: " + picture999(screenRowCount(*rs));
  if (rs->FetchStopped()) window.title += " - incomplete, fetch stopped";
  window.headers = rs->FieldNames();
  for (int n = 1; n <= rs->FCount(); ++n)
    window.numeric.push_back(rs->FieldType(n) == 'N');
  window.rowCount = [rs] { return rs->RowsHeld(); };
  // A number shows as its field holds it, every digit, as the file outputs write it; a number
  // never has blanks on its right.
  const DbfTable* cache = WorkAreas::instance().table(rs->nWorkArea());
  for (int n = 1; n <= rs->FCount(); ++n) {
    const auto i = static_cast<size_t>(n - 1);
    // A memo field's length says nothing about its values.
    const DbfField* field = cache != nullptr ? &cache->layout().fields[i] : nullptr;
    window.widths.push_back(
        field != nullptr && field->kind != FieldKind::Memo ? static_cast<int>(field->length) : 0);
  }
  window.cell = [reader = std::make_shared<CacheReader>(*rs)](long row, int column) {
    return gridCellText(*reader, row, column);
  };
  // Select all: the rest of the result first, its progress in the grid's title.
  window.complete = [rs] {
    constexpr long kStep = 1000;
    const long position = rs->Recno();
    while (!rs->IsComplete() && rs->RowsHeld() > 0) {
      rs->Goto(rs->RowsHeld() + kStep);
      CHKCURSOR(rs->RowsHeld(), *rs);
    }
    rs->Goto(position);
    CHKCURSOR(0, *rs);
  };
  // Saving writes the rows held through the writers of the file outputs.
  static const std::vector<std::pair<std::string, std::string>> kOutputs{
      {"DBF table (*.dbf)", "DBF"},
      {"Boxed text table (*.txt)", "ASCIITABLE"},
      {"Tab-delimited text (*.txt)", "TEXT"},
      {"CSV (*.csv)", "CSV"}};
  for (const auto& output : kOutputs)
    window.saveTypes.push_back(output.first);
  window.save = [rs](size_t type, const std::string& path) {
    if (type < kOutputs.size()) exportHeldRows(*rs, kOutputs[type].second, path);
  };
  // The window keeps the result set: a grid opened while another is open outlives this call.
  window.onClose = [kept = resultSet] {
    forget(kept.get());
    kept->End();
    releaseResultSet(kept.get());
    return true;
  };
  keepResultSet(resultSet);
  openGrids.push_back({resultSet, shown, {}, {}});
  const DialogOutcome outcome = ui().gridWindow(window);
  if (outcome == DialogOutcome::NoDisplay) {
    forget(rs);
    releaseResultSet(rs);
    reportNoDisplay(outcome, "grid window", "choose a file output Type for an unattended run");
    rs->End();
  }
}

}  // namespace tabulink
