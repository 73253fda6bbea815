#pragma once
// The boxed text table: a border, the column names and a border, one boxed line per row with
// every cell cut or filled to its width, and a closing border. A cell is as wide as its column's
// length, except where that could not show a value: a logical cell holds ".T.", a number cell
// the decimal character's extra bytes, and a memo cell the longest text of the result.

#include <string>
#include <string_view>
#include <vector>

#include "app/export_text.h"
#include "app/spill_file.h"

namespace tabulink {

class BoxedTableExport : public TextExport {
 public:
  using TextExport::TextExport;

  int head(const std::vector<OutputField>& fields) override;
  void row(TDbOdbcDirect& resultSet) override;
  void foot() override;
  void finish() override;
  void abandon() override;

 private:
  // The cells of the current row of `resultSet`, as cells(i, text) gives them: the one place a
  // cell is read from the row, inlined in the loop over the cells like cellText.
  auto cellsOf(TDbOdbcDirect& resultSet) {
    return [ this, &resultSet, row = resultSet.CurrentRow() ](size_t i, std::string_view & text)
        __attribute__((always_inline)) {
      return cellText(resultSet, row, i, text);
    };
  }
  // The border, the names and the border, for the widths known by now.
  void writeHeader();
  // One boxed line, its cells as cells(i, text) gives them.
  template <class Cells>
  void writeLine(Cells cells);
  // Puts one row's cells in the spill and measures its memo texts.
  template <class Cells>
  void spillRow(Cells cells);
  // Takes the next row from the spill, its cells from `at` on; false after a failure.
  bool takeSpilledRow(const char*& at);

  std::string border_;          // the border line with its CR LF, built once
  std::vector<size_t> widths_;  // per column; a memo column's grows with its texts
  // With memo columns, whose widths only the last row settles, the rows wait in the spill, each
  // cell as the line shows it before padding.
  bool spills_ = false;
  SpillFile spill_;
  size_t spilledRows_ = 0;
  struct SpilledCell {
    Cell kind = Cell::Null;
    std::string_view text;
  };
  std::vector<SpilledCell> spilledCells_;  // one row's cells on their way to the spill
};

}  // namespace tabulink
