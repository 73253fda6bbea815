#pragma once
// The tab-delimited text: a line of column names, then one line per row, cells separated by TAB,
// NULL as an empty cell.

#include <string>
#include <vector>

#include "app/export_text_file.h"
#include "app/export_writer.h"
#include "core/value.h"

namespace tabulink {

class DelimitedTextExport : public ExportWriter {
 public:
  DelimitedTextExport(std::string path, std::string decChar)
      : path_(std::move(path)), decChar_(std::move(decChar)) {}

  int head(const std::vector<OutputField>& fields) override;
  void row(TDbOdbcDirect& resultSet) override;
  void foot() override {}
  void close() override;

 private:
  std::string path_;
  std::string decChar_;
  std::vector<OutputField> fields_;
  TextOutputFile file_;
  std::string line_;           // reused for every row
  std::vector<Value> values_;  // one per column, reused for every row
};

}  // namespace tabulink
