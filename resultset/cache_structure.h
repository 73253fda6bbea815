#pragma once
// The structure of a result set's cache table: one field per result column, named FIELD_0001 on,
// followed by the null-flag field ISNULL, with the adjustments a DBF field needs, and a memo field
// WHOLE_0001 ... for each column read whole into a character field (for its longer values).

#include <vector>

#include "odbc/column_description.h"
#include "table/field_description.h"

namespace tabulink {

std::vector<FieldDescription> cacheStructure(const std::vector<ColumnDescription>& columns);

// Whether `column`'s values may be longer than its character field: they are then held whole in a
// memo field of their own (a column wider than 255 bytes is a memo already).
bool holdsLongerValues(const ColumnDescription& column);

}  // namespace tabulink
