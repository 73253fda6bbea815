#include "app/export_output.h"

#include <vector>

#include "app/export_boxed_table.h"
#include "app/export_dbf_table.h"
#include "app/export_delimited_text.h"
#include "app/export_progress.h"
#include "app/run_settings.h"
#include "app/screen_grid.h"
#include "core/text.h"
#include "gui/ui.h"
#include "resultset/tdbodbcdirect.h"

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

std::string dbfFieldName(const std::string& name) {
  std::string cut = padRight(name, std::min<size_t>(name.size(), 10));
  for (char& c : cut)
    if (c == ' ') c = '_';
  return cut;
}

std::unique_ptr<ExportWriter> writerFor(OutputKind kind) {
  const RunSettings& s = runSettings();
  switch (kind) {
    case OutputKind::Dbf:
      return std::make_unique<DbfTableExport>(s.FileOut);
    case OutputKind::AsciiTable:
      return std::make_unique<BoxedTableExport>(s.FileOut, s.DecChar);
    case OutputKind::DelimitedText:
      return std::make_unique<DelimitedTextExport>(s.FileOut, s.DecChar);
    case OutputKind::Screen:
      break;
  }
  return nullptr;
}

}  // namespace

OutputKind outputKind(std::string_view type) {
  if (startsWithNoCase(type, "SCREEN")) return OutputKind::Screen;
  if (startsWithNoCase(type, "DBF")) return OutputKind::Dbf;
  if (startsWithNoCase(type, "ASCIITABLE")) return OutputKind::AsciiTable;
  return OutputKind::DelimitedText;
}

int ZULCREAHEAD(TDbOdbcDirect& resultSet) {
  Export& e = currentExport();
  e.writer.reset();
  e.handle = -1;
  e.fields.clear();
  std::vector<std::string> names = resultSet.FieldNames();
  for (int n = 1; n <= static_cast<int>(names.size()); ++n) {
    const std::string& name = names[static_cast<size_t>(n - 1)];
    e.fields.push_back({name, dbfFieldName(name), resultSet.FieldType(n), resultSet.FieldLen(n),
                        resultSet.FieldDec(n)});
  }
  e.writer = writerFor(outputKind(runSettings().Type));
  if (e.writer) e.handle = e.writer->head(e.fields);
  if (e.handle == -1) e.writer.reset();
  return e.handle;
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
  int handle = ZULCREAHEAD(rs);
  if (handle == -1) return;
  // Rows are written as they arrive instead of after a full fetch: each row is taken from the
  // cache table's record buffer right after it was stored, and the progress line covers the
  // fetch. A result set without rows begins at the end of its empty cache.
  if (!rs.Bof()) {
    ExportProgress progress;
    for (;;) {
      ZULCREAROW(rs, handle);
      progress.row();
      long current = rs.Recno();
      rs.Skip();
      if (rs.Recno() == current) break;  // the last row of the complete result
    }
  }
  ZULCREAFOOT(handle);
  Export& e = currentExport();
  e.writer->close();
  e.writer.reset();
  e.handle = -1;
}

}  // namespace tabulink
