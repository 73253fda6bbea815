#pragma once
// What the two text outputs share: the file written through one buffer, the output field list,
// and the text of one cell of the current row (numbers with the decimal character).

#include <string>
#include <vector>

#include "app/export_cells.h"
#include "app/export_text_file.h"
#include "app/export_writer.h"
#include "core/value.h"
#include "resultset/tdbodbcdirect.h"

namespace tabulink {

class TextExport : public ExportWriter {
 public:
  TextExport(std::string path, std::string decChar)
      : path_(std::move(path)), decChar_(std::move(decChar)) {}

  // Puts every line on disk and the file in place; a failed write is reported once.
  void finish() override;
  void abandon() override { file_.abandon(); }

 protected:
  // Held: a text as the row holds it, its field's bytes (a character field's filled to its width).
  enum class Cell { Null, Number, Text, Held };

  // Creates the file for `fields`; false (reported) when it cannot be created.
  bool create(const std::vector<OutputField>& fields);
  // The text of column i (from 0) of the current row in `text`: the number text for an "N"
  // column, CVALTOCHAR otherwise, nothing for NULL; says which it was. `text` stays valid until
  // the next row. Inlined in the writers' loops, where a call per cell would cost more than most
  // cells' work.
  [[gnu::always_inline]] Cell cellText(TDbOdbcDirect& resultSet, const CachedRow& row, size_t i,
                                       std::string_view& text) {
    // NULL and a text the cache holds as it is, most cells, are known here.
    const char flag = row.flag(i);
    if (flag == CachedRow::kNullFlag) {
      text = {};
      return Cell::Null;
    }
    if (flag != CachedRow::kLongerFlag && row.heldAsText(i)) {
      text = row.bytes(i);
      return Cell::Held;
    }
    // A number usually goes out as its field holds it.
    if (fields_[i].type == 'N') {
      if (const std::string_view number = row.numberText(i); !number.empty()) {
        text = keepsPoint_ ? number : withDecimalCharacter(i, number);
        return Cell::Number;
      }
    }
    return madeCellText(resultSet, row, i, flag, text);
  }

  const std::string& decChar() const { return decChar_; }

  std::vector<OutputField> fields_;
  TextOutputFile file_;

 private:
  // cellText of any other cell, whose flag is `flag`.
  Cell madeCellText(TDbOdbcDirect& resultSet, const CachedRow& row, size_t i, char flag,
                    std::string_view& text);
  // Column i's plain number text `number` with the decimal character, made in its cell.
  std::string_view withDecimalCharacter(size_t i, std::string_view number);

  std::string path_;
  std::string decChar_;
  bool keepsPoint_ = keepsDecimalPoint(decChar_);
  std::vector<Value> values_;       // one per column, reused for every row
  std::vector<std::string> cells_;  // a cell made here, one per column, reused for every row
};

}  // namespace tabulink
