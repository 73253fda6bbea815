#pragma once
// The boxed text table: a border, the column names and a border, one boxed line per row with
// every cell cut or filled to its column's length, and a closing border.

#include <string>
#include <vector>

#include "app/export_text_file.h"
#include "app/export_writer.h"
#include "core/value.h"

namespace tabulink {

class BoxedTableExport : public ExportWriter {
 public:
  BoxedTableExport(std::string path, std::string decChar)
      : path_(std::move(path)), decChar_(std::move(decChar)) {}

  int head(const std::vector<OutputField>& fields) override;
  void row(TDbOdbcDirect& resultSet) override;
  void foot() override;
  void close() override;

 private:
  std::string path_;
  std::string decChar_;
  std::vector<OutputField> fields_;
  TextOutputFile file_;
  std::string border_;         // the border line with its CR LF, built once
  std::string line_;           // reused for every row
  std::string cell_;           // reused for every cell
  std::vector<Value> values_;  // one per column, reused for every row
};

}  // namespace tabulink
