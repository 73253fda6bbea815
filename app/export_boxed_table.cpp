#include "app/export_boxed_table.h"

#include <algorithm>
#include <cstring>

#include "app/error_collection.h"
#include "core/text.h"

namespace tabulink {

int BoxedTableExport::head(const std::vector<OutputField>& fields) {
  if (!create(fields)) return -1;
  // Beginning with ".", the decimal character is the point.
  const size_t decimalExtra =
      decChar().starts_with(".") || decChar().empty() ? 0 : decChar().size() - 1;
  widths_.clear();
  spilledCells_.assign(fields_.size(), {});
  spills_ = false;
  spilledRows_ = 0;
  for (const OutputField& field : fields_) {
    size_t width = field.length > 0 ? static_cast<size_t>(field.length) : 0;
    if (field.type == 'L') {
      width = std::max<size_t>(width, 3);
    } else if (field.type == 'N' && field.decimals > 0) {
      width += decimalExtra;
    } else if (field.type == 'M') {
      // A text column's described length (65,536 for a SQLite TEXT) says nothing of its values.
      width = field.name.size();
      spills_ = true;
    }
    widths_.push_back(width);
  }
  if (!spills_) {
    writeHeader();
  } else if (int error = spill_.create(); error != 0) {
    TextExport::abandon();
    ZULERROR(asciiFileError("creating", error) + ", in the temporary folder " + cacheDirectory());
    return -1;
  }
  return file_.fd();
}

void BoxedTableExport::writeHeader() {
  border_ = "+";
  std::string names = "|";
  for (size_t i = 0; i < fields_.size(); ++i) {
    border_.append(widths_[i], '-').append("+");
    appendPadRight(names, fields_[i].name, widths_[i]);
    names.append("|");
  }
  border_.append("\r\n");
  names.append("\r\n");
  file_.append(border_);
  file_.append(names);
  file_.append(border_);
}

template <class Cells>
void BoxedTableExport::writeLine(Cells cells) {
  // The line is as wide as the border: its cells are written into place.
  std::string& line = file_.buffer();
  const size_t start = line.size();
  line.resize(start + border_.size());
  char* at = line.data() + start;
  *at++ = '|';
  for (size_t i = 0; i < fields_.size(); ++i) {
    const size_t width = widths_[i];
    // Numbers are right-aligned, other values left-aligned; a cut keeps the leftmost bytes.
    std::string_view text;
    switch (cells(i, text)) {
      case Cell::Null:
        std::memset(at, ' ', width);
        break;
      case Cell::Number:
        writePadLeft(at, text, width);
        break;
      case Cell::Text:
      case Cell::Held:
        writePadRight(at, text, width);
        break;
    }
    at += width;
    *at++ = '|';
  }
  *at++ = '\r';
  *at = '\n';
  file_.lineDone();
}

void BoxedTableExport::row(TDbOdbcDirect& resultSet) {
  if (spills_) {
    spillRow(cellsOf(resultSet));
  } else {
    writeLine(cellsOf(resultSet));
  }
}

// A row in the spill: the length of its cells, then each cell, its length times four plus its
// kind and its bytes; so that a row is taken back whole, in two reads.
template <class Cells>
void BoxedTableExport::spillRow(Cells cells) {
  // The cells are gathered first, so that the row takes its room in the spill's buffer at once.
  uint64_t size = 0;
  for (size_t i = 0; i < fields_.size(); ++i) {
    SpilledCell& cell = spilledCells_[i];
    cell.kind = cells(i, cell.text);
    if (fields_[i].type == 'M' && (cell.kind == Cell::Text || cell.kind == Cell::Held))
      widths_[i] = std::max(widths_[i], cell.text.size());
    size += sizeof(uint64_t) + cell.text.size();
  }
  std::string& out = spill_.buffer();
  const size_t start = out.size();
  out.resize(start + sizeof size + size);
  char* at = out.data() + start;
  std::memcpy(at, &size, sizeof size);
  at += sizeof size;
  for (const SpilledCell& cell : spilledCells_) {
    const uint64_t header =
        static_cast<uint64_t>(cell.text.size()) << 2 | static_cast<uint64_t>(cell.kind);
    std::memcpy(at, &header, sizeof header);
    at += sizeof header;
    if (!cell.text.empty()) std::memcpy(at, cell.text.data(), cell.text.size());
    at += cell.text.size();
  }
  spill_.written();
  ++spilledRows_;
}

bool BoxedTableExport::takeSpilledRow(const char*& at) {
  uint64_t size = 0;
  if (!spill_.next(sizeof size, at)) return false;
  std::memcpy(&size, at, sizeof size);
  return spill_.next(static_cast<size_t>(size), at);
}

void BoxedTableExport::foot() {
  if (spills_) {
    // The memo columns' widths are known now.
    writeHeader();
    const char* at = nullptr;
    for (size_t n = 0; n < spilledRows_ && takeSpilledRow(at); ++n) {
      writeLine([&at](size_t, std::string_view& text) {
        uint64_t header = 0;
        std::memcpy(&header, at, sizeof header);
        text = {at + sizeof header, static_cast<size_t>(header >> 2)};
        at = text.data() + text.size();
        return static_cast<Cell>(header & 3);
      });
    }
  }
  file_.append(border_);
}

void BoxedTableExport::finish() {
  if (spill_.error() != 0) {
    // The output would lack rows: it is not written.
    const std::string why =
        asciiFileError("writing", spill_.error()) + ", in its temporary file " + spill_.path();
    abandon();
    ZULERROR(why);
    return;
  }
  spill_.remove();
  TextExport::finish();
}

void BoxedTableExport::abandon() {
  TextExport::abandon();
  spill_.remove();
}

}  // namespace tabulink
