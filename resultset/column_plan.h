#pragma once
// How one result column goes from the driver's bytes to its cache field, decided once when the
// cache table is made: one object per column, in place of lists kept in step by index.

#include <string>
#include <string_view>
#include <vector>

#include "odbc/column_description.h"
#include "table/dbf_layout.h"
#include "table/field_description.h"

namespace tabulink {

struct ColumnPlan {
  // How a value may reach the cache field without a conversion. Date: a date field given the
  // digits of a plain date or timestamp text; Timestamp: a timestamp kept as text in its column's
  // form, made from a plain text's characters (plainDateDtos, plainDateTimeText).
  enum class DirectStore : unsigned char { None, Text, Number, Logical, Memo, Date, Timestamp };
  DirectStore direct = DirectStore::None;
  bool heldAsText = false;   // the cache field holds the value's text as it is
  bool exactNumber = false;  // ColumnDescription::exactNumber
  DbfField field;            // the cache field, once the table is open
  // The numbers the field holds: positive ones below atOrAbove (with at most positiveDigits
  // integer digits), negative ones above atOrBelow (at most negativeDigits).
  double atOrAbove = 0;
  double atOrBelow = 0;
  int positiveDigits = 0;
  int negativeDigits = 0;
  std::string nullBytes;          // the field bytes of NULL (none for a memo)
  std::string madeBytes;          // room for field bytes made from a row's read
  std::vector<char> fetchBuffer;  // grown to the column's fetch length once
  // For a text read whole into a character field: the cache's memo field that holds a value
  // longer than the field (its flag then CachedRow::kLongerFlag); 0 for other columns.
  size_t wholeField = 0;
  bool holdsLonger = false;  // wholeField holds the longer texts of a character field

  // Whether `number` fits the cache field (NaN and the infinities never do).
  bool fits(double number) const { return number < atOrAbove && number > atOrBelow; }
  // Whether `bytes`, a value's text for the field, are longer than it and go to wholeField.
  bool isLonger(std::string_view bytes) const { return holdsLonger && bytes.size() > field.length; }
};

// The plan of `column`, whose cache field `structure` describes.
ColumnPlan planColumn(const ColumnDescription& column, const FieldDescription& structure);
// Completes `plan` with the cache field as the open table lays it out: whether and how values
// reach it straight from the bytes read.
void planDirectStore(ColumnPlan& plan, const ColumnDescription& column, const DbfField& field);

}  // namespace tabulink
