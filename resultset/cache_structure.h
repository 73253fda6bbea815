#pragma once
// The structure of a result set's cache table: one field per result column, named FIELD_0001 on,
// followed by the null-flag field ISNULL, with the adjustments a DBF field needs.

#include <vector>

#include "odbc/column_description.h"
#include "table/field_description.h"

namespace tabulink {

std::vector<FieldDescription> cacheStructure(const std::vector<ColumnDescription>& columns);

}  // namespace tabulink
