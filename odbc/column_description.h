#pragma once
// The description of one result column (type letter, fetch length, decimals, conversion) built
// from what the driver reports, and the conversions of fetched bytes to values.

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

#include "core/value.h"

namespace tabulink {

// Longest value fetched from one column; longer values are cut to it.
inline constexpr int kMaxColumnLength = 131072;

// Turns the fetched bytes of a column into `out`. `length` is the column's length (element 3).
// A text result reuses the text `out` already holds, so one value per column serves every row.
using Conversion = void (*)(std::string_view bytes, int length, Value& out);

// One result column; the members are the nine elements of a column description, in order.
struct ColumnDescription {
  std::string name;              // 1 as the driver names it, blanks trimmed
  char type = 'U';               // 2 "C", "L", "N", "D", "M" or "U"
  int length = 0;                // 3 fetch width (buffer is length + 1) and padding width
  int decimals = 0;              // 4
  bool notNull = false;          // 5 the driver reports SQL_NO_NULLS
  int sqlType = 0;               // 6 ODBC SQL type code as reported (ODBC 2 codes)
  int cType = SQL_C_CHAR;        // 7 SQL_C_TIMESTAMP for SQL_TIMESTAMP, else SQL_C_CHAR
  Conversion convert = nullptr;  // 8
  bool changed = false;          // 9 set by the result set when a field is assigned

  // The bytes offered to the driver for a value: the length and a terminating zero.
  size_t fetchLength() const { return static_cast<size_t>(length) + 1; }
};

// The description of a column as the driver reported it; `datesAsText` delivers date and
// timestamp columns as text.
ColumnDescription describeColumn(std::string_view name, int sqlType, SQLULEN columnSize,
                                 int decimals, bool notNull, bool datesAsText);

}  // namespace tabulink
