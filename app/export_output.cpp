#include "app/export_output.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/error_collection.h"
#include "app/export_boxed_table.h"
#include "app/export_csv.h"
#include "app/export_dbf_table.h"
#include "app/export_delimited_text.h"
#include "app/export_progress.h"
#include "app/run_report.h"
#include "app/run_settings.h"
#include "app/screen_grid.h"
#include "core/text.h"
#include "failure/interruption.h"
#include "gui/ui.h"
#include "resultset/tdbodbcdirect.h"
#include "table/dbcmd.h"

namespace tabulink {
namespace {

// The export under way: the output field list of the current result set and its writer.
struct Export {
  std::vector<OutputField> fields;
  std::unique_ptr<ExportWriter> writer;
  int handle = -1;
};

Export& currentExport() {
  static Export state;
  return state;
}

// The DBF field name of column n (from 1): its first 10 characters, blanks as "_"; a column
// without a name (blank, or empty) is FIELD<n>, as GIS tools name it. A name that agrees with one
// given to an earlier column (letter case ignored, as readers look names up) ends in "_1", "_2",
// ... instead, still in 10 characters: CUSTOMER_N, CUSTOMER_1, ...
std::string dbfFieldName(const std::string& name, int n, const std::vector<OutputField>& earlier) {
  std::string cut = trim(name).empty() ? "FIELD" + std::to_string(n)
                                       : padRight(name, std::min<size_t>(name.size(), 10));
  for (char& c : cut)
    if (c == ' ') c = '_';
  auto taken = [&](const std::string& candidate) {
    return std::any_of(earlier.begin(), earlier.end(), [&](const OutputField& field) {
      return equalsNoCase(field.fieldName, candidate);
    });
  };
  std::string unique = cut;
  for (int suffix = 1; taken(unique); ++suffix) {
    const std::string tail = "_" + std::to_string(suffix);
    unique = cut.substr(0, std::min(cut.size(), 10 - tail.size())) + tail;
  }
  return unique;
}

std::unique_ptr<ExportWriter> writerFor(OutputKind kind) {
  const RunSettings& s = runSettings();
  switch (kind) {
    case OutputKind::Dbf:
      return std::make_unique<DbfTableExport>(s.FileOut);
    case OutputKind::AsciiTable:
      return std::make_unique<BoxedTableExport>(s.FileOut, s.DecChar);
    case OutputKind::Csv:
      return std::make_unique<CsvExport>(s.FileOut, s.DecChar);
    case OutputKind::DelimitedText:
      return std::make_unique<DelimitedTextExport>(s.FileOut, s.DecChar);
    case OutputKind::Screen:
      break;
  }
  return nullptr;
}

// Writes the result set from its current row to its end to the configured file output.
void exportFile(TDbOdbcDirect& rs);

}  // namespace

OutputKind outputKind(std::string_view type) {
  if (startsWithNoCase(type, "SCREEN")) return OutputKind::Screen;
  if (startsWithNoCase(type, "DBF")) return OutputKind::Dbf;
  if (startsWithNoCase(type, "ASCIITABLE")) return OutputKind::AsciiTable;
  if (startsWithNoCase(type, "CSV")) return OutputKind::Csv;
  return OutputKind::DelimitedText;
}

bool knownOutputType(std::string_view type) {
  if (type.empty() || outputKind(type) != OutputKind::DelimitedText) return true;
  for (std::string_view name : {"TEXT", "TXT", "TAB", "TSV"})
    if (equalsNoCase(type, name)) return true;
  return false;
}

int ZULCREAHEAD(TDbOdbcDirect& resultSet) {
  Export& e = currentExport();
  e.writer.reset();
  e.handle = -1;
  e.fields.clear();
  std::vector<std::string> names = resultSet.FieldNames();
  for (int n = 1; n <= static_cast<int>(names.size()); ++n) {
    const std::string& name = names[static_cast<size_t>(n - 1)];
    e.fields.push_back({name, dbfFieldName(name, n, e.fields), resultSet.FieldType(n),
                        resultSet.FieldLen(n), resultSet.FieldDec(n)});
  }
  e.writer = writerFor(outputKind(runSettings().Type));
  if (e.writer) e.handle = e.writer->head(e.fields);
  if (e.handle == -1) e.writer.reset();
  return e.handle;
}

bool readsResultOnce(OutputKind kind) {
  return kind != OutputKind::Screen;
}

void reportNoColumns() {
  const RunSettings& s = runSettings();
  if (outputKind(s.Type) == OutputKind::Dbf) {
    DBCREATE(s.FileOut, {});
  } else {
    ZULERROR("The result of the statement has no columns: nothing to export.");
  }
}

void ZULCREAROW(TDbOdbcDirect& resultSet, int handle) {
  Export& e = currentExport();
  if (e.writer && handle == e.handle) e.writer->row(resultSet);
}

void ZULCREAFOOT(int handle) {
  Export& e = currentExport();
  if (e.writer && handle == e.handle) e.writer->foot();
}

void ZULCREAOUTPUT(const std::shared_ptr<TDbOdbcDirect>& resultSet) {
  TDbOdbcDirect& rs = *resultSet;
  if (outputKind(runSettings().Type) == OutputKind::Screen) {
    if (screenRowCount(rs) > 0) {
      SCREENGRID(resultSet);
    } else {
      ui().messageBox("Information", "No Records found", MessageIcon::Information);
      rs.End();
    }
    return;
  }
  exportFile(rs);
}

void exportHeldRows(TDbOdbcDirect& resultSet, const std::string& type, const std::string& file) {
  RunSettings& s = runSettings();
  const std::string keptType = std::exchange(s.Type, type);
  const std::string keptFile = std::exchange(s.FileOut, file);
  const long position = resultSet.Recno();
  resultSet.Complete();
  resultSet.GoTop();
  exportFile(resultSet);
  resultSet.Goto(position);
  s.Type = keptType;
  s.FileOut = keptFile;
}

namespace {

void exportFile(TDbOdbcDirect& rs) {
  int handle = ZULCREAHEAD(rs);
  if (handle == -1) return;
  Export& e = currentExport();
  // Rows are written as they arrive instead of after a full fetch: each row is written right
  // after it was taken (by a result read once, from the row reader, before the next row replaces
  // it), and the progress line covers the fetch. A boxed table with memo columns, whose widths
  // only the last row settles, holds its rows' cells in a spill file of its own until the footer.
  // A result set without rows begins at the end of its empty cache. A signal that asks the run to
  // end leaves no output behind.
  long rows = 0;
  if (!rs.Bof()) {
    ExportProgress progress;
    for (;;) {
      if (interruptSignal() != 0) break;
      ZULCREAROW(rs, handle);
      ++rows;
      progress.row();
      long current = rs.Recno();
      rs.Skip();
      if (rs.Recno() == current) break;  // the last row of the complete result
    }
  }
  if (interruptSignal() != 0) {
    e.writer->abandon();
  } else if (rs.RowsEndedInError()) {
    // The session has recorded why the rows ended; an output of some of them must not pass for
    // the result.
    e.writer->abandon();
    ZULERROR("The rows of the result ended in an error after " + std::to_string(rs.Recno()) +
             " rows: the output " + runSettings().FileOut + " was not written.");
  } else {
    ZULCREAFOOT(handle);
    e.writer->finish();
    reportGoodExport(rows, runSettings().FileOut);
  }
  e.writer.reset();
  e.handle = -1;
}

}  // namespace

}  // namespace tabulink
