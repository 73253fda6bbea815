#include "resultset/column_plan.h"

#include <cmath>

#include "table/field_codec.h"

namespace tabulink {

ColumnPlan planColumn(const ColumnDescription& column, const FieldDescription& structure) {
  ColumnPlan plan;
  plan.exactNumber = column.exactNumber();
  // Positive values from 10^(length - decimals - 1) on are refused as the column's width
  // allows; a negative value is refused when its digits and sign do not fit the cache field.
  plan.positiveDigits = column.length - column.decimals - 1;
  plan.negativeDigits =
      structure.length - (structure.decimals > 0 ? structure.decimals + 1 : 0) - 1;
  plan.atOrAbove = std::pow(10.0, plan.positiveDigits);
  plan.atOrBelow = -std::pow(10.0, plan.negativeDigits);
  return plan;
}

void planDirectStore(ColumnPlan& plan, const ColumnDescription& column, const DbfField& field) {
  using DirectStore = ColumnPlan::DirectStore;
  plan.field = field;
  plan.holdsLonger = plan.wholeField != 0 && field.kind == FieldKind::Character;
  DirectStore& how = plan.direct;
  // A text (dates read as text among them) is held as it is, unless it went to the memo.
  const bool text =
      (column.type == 'C' || column.type == 'U') && field.kind == FieldKind::Character;
  plan.heldAsText = text;
  const bool fullWidth = static_cast<int>(field.length) == column.length;
  if (text && fullWidth && column.sqlType != SQL_TIMESTAMP) {
    // It converts to itself filled to its width (a date read as text too: its text as sent).
    how = DirectStore::Text;
  } else if (text && fullWidth) {
    how = DirectStore::Timestamp;
  } else if (column.isDateTime() && field.kind == FieldKind::Date && field.length == 8) {
    how = DirectStore::Date;
  } else if (column.type == 'N' && field.kind == FieldKind::Numeric) {
    how = DirectStore::Number;
  } else if (column.type == 'L' && field.kind == FieldKind::Logical) {
    how = DirectStore::Logical;
  } else if ((column.type == 'M' || column.wholeText) && field.kind == FieldKind::Memo) {
    // A memo text, or a text read whole, is stored as it is read; NULL as the empty text.
    how = DirectStore::Memo;
    return;
  }
  if (how == DirectStore::None) return;
  // NULL is stored as what the conversion makes of an empty text, as the fetch leaves it.
  Value empty;
  column.convert({}, column.length, empty);
  plan.nullBytes.assign(field.length, ' ');
  encodeField(field, empty, plan.nullBytes.data());
  plan.madeBytes.assign(field.length, ' ');
}

}  // namespace tabulink
