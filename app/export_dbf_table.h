#pragma once
// The DBF table output: a table file made through the table layer from the output field list,
// open under the alias "OutDbf"; one record per row, every non-NULL value stored as it is.

#include <string>
#include <vector>

#include "app/export_writer.h"
#include "app/pending_output.h"
#include "core/value.h"
#include "table/dbf_layout.h"
#include "table/field_description.h"

namespace tabulink {

class CachedRow;
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

  // How a column's value reaches its field when the row holds it alike (else it is read as a
  // Value and encoded): decided at the first row, from the field the row holds the column in.
  enum class Copy : unsigned char { None, Text, Number, Date, Logical, Memo };

 private:
  // Creates the table under its temporary name; false when that was refused or given up.
  bool create(const std::vector<FieldDescription>& structure, std::string& target);
  // The code page file beside the table under its temporary name `target`, to be put in place
  // with it; false (reported) when it cannot be written.
  bool createCodePage(const std::string& target);
  // Closes "OutDbf": completing its files, or without writing when they are deleted next.
  void release(bool discard);

  struct Column {
    std::string name;  // for reports
    DbfField field;    // the output field
    Copy copy = Copy::None;
    Value value;  // reused for every row
  };
  // Decides each column's Copy from the fields `row` holds the columns in.
  void planCopies(const CachedRow& row);
  // Writes column i of `row`, not NULL and not copied as the row holds it, from its value.
  void writeValue(TDbOdbcDirect& resultSet, const CachedRow& row, size_t i);
  // Reports a memo text of column i that holds the byte 0x1A.
  void reportEndByte(size_t i, std::string_view text);

  std::string path_;
  PendingOutput output_;
  int area_ = 0;               // the work area of "OutDbf"; 0 when it is not open
  DbfTable* table_ = nullptr;  // the table in that area
  std::vector<Column> columns_;
  bool planned_ = false;
};

}  // namespace tabulink
