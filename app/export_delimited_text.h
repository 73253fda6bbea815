#pragma once
// The tab-delimited text: a line of column names, then one line per row, cells separated by TAB,
// NULL as an empty cell.

#include "app/export_text.h"

namespace tabulink {

class DelimitedTextExport : public TextExport {
 public:
  using TextExport::TextExport;

  int head(const std::vector<OutputField>& fields) override;
  void row(TDbOdbcDirect& resultSet) override;
  void foot() override {}
};

}  // namespace tabulink
