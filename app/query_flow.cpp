#include "app/query_flow.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "app/dialogs.h"
#include "app/error_collection.h"
#include "app/export_output.h"
#include "app/live_result_sets.h"
#include "app/run_settings.h"
#include "app/screen_grid.h"
#include "core/picture.h"
#include "core/process_settings.h"
#include "core/text.h"
#include "failure/interruption.h"
#include "odbc/diagnostics.h"
#include "odbc/todbc.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {
namespace {

constexpr size_t kStatementLength = 256;

// The wait cursor for the life of the object.
class WaitCursor {
 public:
  WaitCursor() { ui().setWaitCursor(true); }
  ~WaitCursor() { ui().setWaitCursor(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// The fill window locked (controls disabled, closing refused, wait cursor over it) for the life of
// the object; its Esc and Cancel run `stop`.
class WindowLock {
 public:
  WindowLock(WindowId window, std::function<void()> stop) : window_(window) {
    ui().lockWindow(window_, true, std::move(stop));
  }
  ~WindowLock() { ui().lockWindow(window_, false, {}); }
  WindowLock(const WindowLock&) = delete;
  WindowLock& operator=(const WindowLock&) = delete;

 private:
  WindowId window_;
};

// Entries of statements that failed in the table dialog, already shown to the user when they
// failed (the connection keeps its entries in place until it ends).
std::vector<const ErrorEntry*> shownErrors;

// The connection's last error entry now: the mark after which a statement's own entries follow.
const ErrorEntry* lastError(const TOdbc& connection) {
  return connection.aErrors().empty() ? nullptr : &connection.aErrors().back();
}

// The entries the connection recorded after `mark`.
std::vector<const ErrorEntry*> errorsSince(const TOdbc& connection, const ErrorEntry* mark) {
  std::vector<const ErrorEntry*> added;
  for (auto it = connection.aErrors().rbegin(); it != connection.aErrors().rend(); ++it) {
    if (&*it == mark) break;
    added.insert(added.begin(), &*it);
  }
  return added;
}

// "SQLSTATE 42S02: <the driver's text>" for an entry of a failed statement.
std::string sqlStateText(const ErrorEntry& entry) {
  constexpr std::string_view kClass = "Class: ";
  std::string_view message = entry.message;
  if (!message.starts_with(kClass)) return message.empty() ? entry.operation : entry.message;
  message.remove_prefix(kClass.size());
  const size_t end = message.find("\r\n");
  std::string text = "SQLSTATE " + std::string(message.substr(0, end));
  if (end != std::string_view::npos) text.append(": ").append(message.substr(end + 2));
  return text;
}

// Shows at once why a statement typed in the prompt failed, so that the user can correct it and
// run the next one.
void showStatementErrors(std::string_view statement, const std::vector<const ErrorEntry*>& errors) {
  constexpr size_t kShownStatement = 500;
  std::string text = "The statement failed:\n\n";
  text.append(trimRight(statement.substr(0, kShownStatement)));
  if (statement.size() > kShownStatement) text += "...";
  for (const ErrorEntry* entry : errors)
    text.append("\n\n").append(sqlStateText(*entry));
  ui().messageBox("ODBC SQL Error", text, MessageIcon::Stop);
  shownErrors.insert(shownErrors.end(), errors.begin(), errors.end());
}

// Fetches every row of `resultSet` into its cache, showing in the locked `window` how many have
// arrived, a few times a second; the user may stop it there.
void fetchShowingProgress(TDbOdbcDirect& resultSet, WindowId window) {
  constexpr long kStep = 1000;
  constexpr auto kShowEvery = std::chrono::milliseconds(250);
  auto shown = std::chrono::steady_clock::now();
  while (!resultSet.IsComplete() && resultSet.RowsHeld() > 0) {
    resultSet.Goto(resultSet.RowsHeld() + kStep);
    const auto now = std::chrono::steady_clock::now();
    if (now - shown < kShowEvery) continue;
    shown = now;
    ui().showProgress(window, "Rows retrieved so far: " +
                                  std::string(trimLeft(picture999(resultSet.RowsHeld()))) +
                                  " (Esc stops)");
  }
  resultSet.Complete();
}

}  // namespace

std::string progressTitle(std::string_view label, long long rows) {
  std::string title = "Tabulink rel.";
  title.append(kReleaseText).append(label).append(picture999(rows));
  return title;
}

void CHKCURSOR(long row, TDbOdbcDirect& resultSet) {
  // Only the fill's own grid: with several grids open, the active window may be another's, or a
  // dialog.
  showGridProgress(resultSet, row);
}

void OPENTABLE(const std::string& table, TOdbc& connection, WindowId fillWindow,
               bool asynchronous) {
  const RunSettings& s = runSettings();
  std::string statement = padRight("SELECT * FROM " + table, kStatementLength);
  if (table.empty()) {
    statement = s.SQL;
  } else {
    // The statement last run on this table is offered again, edits and all.
    static std::string lastTable, lastStatement;
    if (table == lastTable) statement = lastStatement;
    bool accepted = false;
    DialogOutcome outcome = ui().queryPrompt("ODBC SQL Query", "Sql Query", statement, accepted);
    if (reportNoDisplay(outcome, "query prompt") || !accepted) return;
    lastTable = table;
    lastStatement = statement;
  }
  OutputKind kind = outputKind(s.Type);
  if (kind != OutputKind::Screen) asynchronous = false;

  // A statement with result columns is delivered as a SELECT's whatever its first word (WITH,
  // VALUES, a leading comment, a RETURNING clause); one without them is only executed.
  const ErrorEntry* mark = lastError(connection);
  const bool typed = !table.empty();
  if (upper(std::string_view(statement).substr(0, 7)) != "SELECT " &&
      !connection.hasResultColumns(statement)) {
    if (!connection.Execute(statement) && typed)
      showStatementErrors(statement, errorsSince(connection, mark));
    return;
  }
  std::shared_ptr<TDbOdbcDirect> resultSet = connection.Query(statement);
  // An error of this statement means no output, nor does a signal that asked the run to end
  // while the statement ran. In the unattended run any earlier error on the connection stops
  // it too; a statement typed in the prompt stands on its own, its failure shown at once.
  if (typed) {
    const std::vector<const ErrorEntry*> errors = errorsSince(connection, mark);
    if (!errors.empty()) {
      showStatementErrors(statement, errors);
      return;
    }
  } else if (connection.IsError()) {
    return;
  }
  if (interruptSignal() != 0) return;
  LiveResultSet live(resultSet);
  if (kind != OutputKind::Dbf) resultSet->lDateAsStr = true;
  // Nothing in tab-delimited text or CSV needs a width: no character value is cut to the
  // described one.
  if (kind == OutputKind::DelimitedText || kind == OutputKind::Csv) resultSet->textsWhole = true;
  // A file export that fetches as it writes goes from the rows read straight to the output; a
  // fill window fetches every row first, into the cache.
  if (fillWindow == 0) resultSet->readsOnce = readsResultOnce(kind);
  if (!resultSet->Open()) {
    // Columns described but no cache to hold their rows: the table layer's error handling may
    // have answered quietly, but the run delivered nothing. A result without columns
    // (PostgreSQL runs "SELECT FROM t") fails no call, yet has nothing any output can hold.
    if (resultSet->FCount() > 0) {
      ZULERROR("Error opening the cache table of the result: " + resultSet->cFileName);
    } else if (!connection.IsError()) {
      reportNoColumns();
    }
    return;
  }
  // A file export reads the result once, in order, and then ends it; unless a window message
  // could use the session in between, the rows are read on a second thread meanwhile.
  if (readsResultOnce(kind) && !ui().messagesRunCode()) resultSet->ReadAhead();

  if (asynchronous) {
    // Without a fill window this starts nothing.
    resultSet->AutoFill(fillWindow, 5, [](long row, TDbOdbcDirect& rs) { CHKCURSOR(row, rs); });
  } else if (fillWindow != 0) {
    TDbOdbcDirect* rs = resultSet.get();
    WindowLock lock(fillWindow, [rs] { rs->StopFetching(); });
    fetchShowingProgress(*rs, fillWindow);
    resultSet->GoTop();
  }
  ZULCREAOUTPUT(resultSet);
  if (kind != OutputKind::Screen) resultSet->End();
}

void OPENODBC(const std::string& dsn, const std::string& user, const std::string& password) {
  RunSettings& s = runSettings();
  TOdbc connection(dsn, user, password, false);
  if (!connection.lSuccess()) {
    // What the driver said (a wrong password, a server that is down, an unknown data source).
    const std::string why = diagnosticRecords(SQL_HANDLE_DBC, connection.hDbc());
    ZULERROR("ODBC session not successfully initialized" + (why.empty() ? "" : ": " + why));
    connection.End();
    return;
  }
  if (s.SQL.empty()) {
    std::vector<std::string> tables;
    {
      WaitCursor wait;
      tables = connection.GetTables("*", false);
    }
    if (tables.empty()) {
      ZULERROR("There are not tables on that database, aborting...");
      connection.End();
      return;
    }
    std::string selected = tables.front();
    TableDialog dialog{tables, selected, s.Asyncronous, {}};
    dialog.onOk = [&] { OPENTABLE(selected, connection, dialog.window, s.Asyncronous); };
    reportNoDisplay(ui().tableDialog(dialog), "table list");
    // Grids opened from the dialog may still fill from this connection, which ends now.
    completeOpenGrids();
  } else {
    OPENTABLE("", connection, 0, s.Asyncronous);
  }
  // Without an error file an entry shown when its statement failed would only be shown again.
  const bool errorFile = !s.FileErr.empty();
  for (const ErrorEntry& entry : connection.aErrors())
    if (errorFile || std::find(shownErrors.begin(), shownErrors.end(), &entry) == shownErrors.end())
      ZULERROR(entry.message);
  shownErrors.clear();
  connection.End();
}

}  // namespace tabulink
