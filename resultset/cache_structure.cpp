#include "resultset/cache_structure.h"

#include <cstdio>

#include "table/dbf_layout.h"

namespace tabulink {

std::vector<FieldDescription> cacheStructure(const std::vector<ColumnDescription>& columns) {
  std::vector<FieldDescription> structure;
  structure.reserve(columns.size() + 1);
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnDescription& column = columns[i];
    char name[32];
    std::snprintf(name, sizeof name, "FIELD_%04zu", i + 1);
    FieldDescription field{name, std::string(1, column.type == 'U' ? 'C' : column.type),
                           column.length, 0};
    // A DBF character field holds at most 255 bytes; longer texts go to the memo file.
    if (field.length > 255 || field.type == "M") {
      field.type = "M";
      field.length = 10;
    }
    if (field.type == "N") {
      field.decimals = column.decimals;
      if (field.decimals > 0) ++field.length;
      if (field.length > 19) field.length = 19;
    } else if (field.type == "D") {
      field.length = 8;
    } else if (field.type == "L" || field.length < 1) {
      // A character column that reports no length still needs a byte: a table with an empty
      // field cannot be read back.
      field.length = 1;
    }
    structure.push_back(std::move(field));
  }
  structure.push_back({"ISNULL", "C", static_cast<int>(columns.size()), 0});
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!holdsLongerValues(columns[i])) continue;
    char name[32];
    std::snprintf(name, sizeof name, "WHOLE_%04zu", i + 1);
    structure.push_back({name, "M", 10, 0});
  }
  // Rows wider than a record keep their longest character columns in the memo file.
  fitRecord(structure, columns.size());
  return structure;
}

bool holdsLongerValues(const ColumnDescription& column) {
  return column.wholeText && column.type != 'M' && column.length <= 255;
}

}  // namespace tabulink
