#pragma once
// The boxed text table: a border, the column names and a border, one boxed line per row with
// every cell cut or filled to its column's length, and a closing border.

#include <string>

#include "app/export_text.h"

namespace tabulink {

class BoxedTableExport : public TextExport {
 public:
  using TextExport::TextExport;

  int head(const std::vector<OutputField>& fields) override;
  void row(TDbOdbcDirect& resultSet) override;
  void foot() override;

 private:
  std::string border_;  // the border line with its CR LF, built once
  long rows_ = 0;       // rows written
};

}  // namespace tabulink
