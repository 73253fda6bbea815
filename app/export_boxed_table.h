#pragma once
// The boxed text table: a border, the column names and a border, one boxed line per row with
// every cell cut or filled to its width, and a closing border. A cell is as wide as its column's
// length, except where that could not show a value: a logical cell holds ".T.", a number cell
// the decimal character's extra bytes, and a memo cell the longest text of the result.

#include <string>
#include <vector>

#include "app/export_text.h"

namespace tabulink {

class BoxedTableExport : public TextExport {
 public:
  using TextExport::TextExport;

  // Completes the result to find its longest memo texts, when it has memo columns.
  void measure(TDbOdbcDirect& resultSet) override;
  int head(const std::vector<OutputField>& fields) override;
  void row(TDbOdbcDirect& resultSet) override;
  void foot() override;

  // Whether the cells of `resultSet` depend on its values (it has memo columns): the result is
  // then read twice.
  static bool measures(const TDbOdbcDirect& resultSet);

 private:
  std::string border_;              // the border line with its CR LF, built once
  std::vector<size_t> widths_;      // per column
  std::vector<size_t> memoWidths_;  // per column: its longest text, for memo columns
};

}  // namespace tabulink
