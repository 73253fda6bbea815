#pragma once
// The description of one result column (type letter, fetch length, decimals, conversion) built
// from what the driver reports, and the conversions of fetched bytes to values.

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "core/value.h"

namespace tabulink {

// Longest value read from one column; longer values are cut to it (and reported).
inline constexpr int kMaxColumnLength = 131072;
// Bytes offered for a number's text at first: longer ones are read on in further calls.
inline constexpr int kNumberTextLength = 63;
// Bytes offered for a memo at first, at most: drivers may fill the whole buffer they are given
// (SQLite's pads it with zeros), so one sized to the cap would cost that much on every row.
inline constexpr int kMemoFirstRead = 4096;
// Bytes read past the width of a text column: enough to see whether the width cuts a UTF-8
// character in two, and whether anything but blanks lies beyond it.
inline constexpr int kCutLookAhead = 3;

// Turns the fetched bytes of a column into `out`. `length` is the column's length (element 3).
// A text result reuses the text `out` already holds, so one value per column serves every row.
// False when the bytes make no value of the column's kind (a number column holding "$12.34"):
// `out` then holds the bytes as text.
using Conversion = bool (*)(std::string_view bytes, int length, Value& out);

// One result column; the members are the nine elements of a column description, in order.
struct ColumnDescription {
  std::string name;              // 1 as the driver names it, blanks trimmed
  char type = 'U';               // 2 "C", "L", "N", "D", "M" or "U"
  int length = 0;                // 3 width of the value (character fields padded to it)
  int decimals = 0;              // 4
  bool notNull = false;          // 5 the driver reports SQL_NO_NULLS
  int sqlType = 0;               // 6 ODBC SQL type code as reported (ODBC 2 codes)
  int cType = SQL_C_CHAR;        // 7 always SQL_C_CHAR: dates and timestamps come as text
  Conversion convert = nullptr;  // 8
  // Not an element: a text read whole past its length (up to kMaxColumnLength bytes), for an
  // output without cells. Shorter values are still filled to the length.
  bool wholeText = false;

  // Whether the column holds dates or timestamps, read as text and converted here: a driver that
  // converts them itself may invent a date for one no date holds.
  bool isDateTime() const { return sqlType == SQL_DATE || sqlType == SQL_TIMESTAMP; }
  // Memo, number, date and timestamp columns and texts read whole are read on (memos up to
  // kMaxColumnLength bytes): a value the first read leaves unfinished is read on.
  bool readsWhole() const { return type == 'M' || type == 'N' || isDateTime() || wholeText; }
  // The bytes offered to the driver for a value at first, its terminating zero included: a
  // memo's length up to kMemoFirstRead, a number's or a date's usual text, else the length and
  // the look-ahead.
  size_t fetchLength() const {
    if (type == 'M') return static_cast<size_t>(std::clamp(length, 1, kMemoFirstRead)) + 1;
    if (type == 'N' || isDateTime())
      return static_cast<size_t>(std::max(length, kNumberTextLength)) + 1;
    return static_cast<size_t>(length) + kCutLookAhead + 1;
  }
  // A number column of an exact kind (integer, decimal): rounding one of its values loses part
  // of it. Floating-point columns are rounded to the configured decimals by design.
  bool exactNumber() const;
  // Whether the number text `number`, which this column's conversion read as `value`, keeps its
  // whole value in the column's cache field: nothing but zeros past the column's decimals and,
  // beyond 15 significant digits (more than a double holds), the digits the double writes back.
  // Always true for other columns, and for texts not in plain notation.
  bool keepsDigits(std::string_view number, double value) const;
};

// The characters of a timestamp's text form before its fraction digits: "YYYY-MM-DD hh:mm:ss.".
inline constexpr int kDateTimePrefix = 20;

// The description of a column as the driver reported it; `datesAsText` delivers date and
// timestamp columns as text.
ColumnDescription describeColumn(std::string_view name, int sqlType, SQLULEN columnSize,
                                 int decimals, bool notNull, bool datesAsText);

}  // namespace tabulink
