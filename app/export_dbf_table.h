#pragma once
// The DBF table output: a table file made through the table layer from the output field list,
// open under the alias "OutDbf"; one record per row, every non-NULL value stored as it is.

#include <string>
#include <vector>

#include "app/export_writer.h"
#include "app/pending_output.h"
#include "core/value.h"
#include "table/field_description.h"

namespace tabulink {

class DbfTable;

class DbfTableExport : public ExportWriter {
 public:
  explicit DbfTableExport(std::string path) : path_(std::move(path)) {}
  // An output neither finished nor abandoned is completed under its temporary name.
  ~DbfTableExport() override { release(false); }

  int head(const std::vector<OutputField>& fields) override;
  void row(TDbOdbcDirect& resultSet) override;
  void foot() override {}
  void finish() override;
  void abandon() override;

 private:
  // Creates the table under its temporary name; false when that was refused or given up.
  bool create(const std::vector<FieldDescription>& structure, std::string& target);
  // The code page file beside the table under its temporary name `target`, to be put in place
  // with it; false (reported) when it cannot be written.
  bool createCodePage(const std::string& target);
  // Closes "OutDbf": completing its files, or without writing when they are deleted next.
  void release(bool discard);

  std::string path_;
  PendingOutput output_;
  int area_ = 0;                     // the work area of "OutDbf"; 0 when it is not open
  DbfTable* table_ = nullptr;        // the table in that area
  std::vector<Value> values_;        // one per column, reused for every row
  std::vector<std::string> fields_;  // the column names, for reports
};

}  // namespace tabulink
