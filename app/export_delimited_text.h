#pragma once
// The outputs of one line per row with a separator between the cells: tab-delimited text (below)
// and CSV (export_csv.h). A line of column names comes first; lines end in CR LF.

#include "app/export_text.h"

namespace tabulink {

class SeparatedTextExport : public TextExport {
 public:
  SeparatedTextExport(std::string path, std::string decChar, char separator)
      : TextExport(std::move(path), std::move(decChar)), separator_(separator) {}

  int head(const std::vector<OutputField>& fields) override;
  void foot() override {}

 protected:
  // Appends a column name.
  virtual void appendName(LineWriter& line, std::string_view name) const { line.put(name); }
  // The line of the current row of `resultSet`, column i's cell appended by
  // appendCell(line, row, i, cell, text) (`text` as cellText made it); a template, so that the
  // writer's own cell is made in the loop, not called for each cell.
  template <class AppendCell>
  void writeRow(TDbOdbcDirect& resultSet, AppendCell appendCell) {
    LineWriter line(file_);
    const CachedRow row = resultSet.CurrentRow();
    for (size_t i = 0; i < fields_.size(); ++i) {
      if (i > 0) line.put(separator_);
      std::string_view text;
      const Cell cell = cellText(resultSet, row, i, text);
      appendCell(line, row, i, cell, text);
    }
    line.done();
  }

 private:
  char separator_;
};

// The tab-delimited text: cells separated by TAB, NULL as an empty cell, a character value filled
// to its column's width (a text read whole is written as read).
class DelimitedTextExport : public SeparatedTextExport {
 public:
  DelimitedTextExport(std::string path, std::string decChar)
      : SeparatedTextExport(std::move(path), std::move(decChar), '\t') {}

  int head(const std::vector<OutputField>& fields) override;
  void row(TDbOdbcDirect& resultSet) override;

 private:
  std::vector<size_t> widths_;  // per column: a character column's length, which values fill
};

}  // namespace tabulink
