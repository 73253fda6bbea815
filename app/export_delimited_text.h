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
  void row(TDbOdbcDirect& resultSet) override;
  void foot() override {}

 protected:
  // Appends a column name, and column i's cell of the current row (`text` as cellText made it).
  virtual void appendName(std::string& line, std::string_view name) const { line.append(name); }
  virtual void appendCell(std::string& line, const CachedRow& row, size_t i, Cell cell,
                          std::string_view text) const = 0;

 private:
  char separator_;
};

// The tab-delimited text: cells separated by TAB, NULL as an empty cell, a character value filled
// to its column's width (a text read whole is written as read).
class DelimitedTextExport : public SeparatedTextExport {
 public:
  DelimitedTextExport(std::string path, std::string decChar)
      : SeparatedTextExport(std::move(path), std::move(decChar), '\t') {}

 private:
  void appendCell(std::string& line, const CachedRow& row, size_t i, Cell cell,
                  std::string_view text) const override;
};

}  // namespace tabulink
