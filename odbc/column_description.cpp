#include "odbc/column_description.h"

#include <sqlext.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

#include "core/number_text.h"
#include "core/process_settings.h"
#include "core/text.h"

namespace tabulink {
namespace {

bool toPaddedText(std::string_view bytes, int length, Value& out) {
  appendPadRight(out.reuseText(), bytes, static_cast<size_t>(length));
  return true;
}

bool toText(std::string_view bytes, int, Value& out) {
  out.reuseText().assign(bytes);
  return true;
}

bool toLogical(std::string_view bytes, int, Value& out) {
  out = Value(bytes.empty() || bytes.front() != '0');
  return true;
}

// The decimals a number text shows: the digits after its point, less a positive exponent, plus
// a negative one ("1.25e1" shows 1, "5e-3" shows 3), at most 20.
int decimalsOf(std::string_view number) {
  const size_t exponentAt = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, exponentAt);
  const size_t point = mantissa.find('.');
  int decimals =
      point == std::string_view::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
  if (exponentAt != std::string_view::npos) {
    std::string_view exponent = number.substr(exponentAt + 1);
    if (exponent.starts_with('+')) exponent.remove_prefix(1);
    int shift = 0;
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), shift);
    decimals = std::clamp(decimals - shift, 0, 20);
  }
  return std::min(decimals, 20);
}

// The whole number of the text, exponent included; false when the text is anything else. An
// empty text is 0 (the stand-in for NULL).
bool toNumber(std::string_view bytes, int, Value& out) {
  std::string_view text = trim(bytes);
  // Drivers of some locales write the decimal comma.
  std::string withPoint;
  if (text.find(',') != std::string_view::npos) {
    withPoint.assign(text);
    std::replace(withPoint.begin(), withPoint.end(), ',', '.');
    text = withPoint;
  }
  if (text.starts_with('+') && !text.starts_with("+-")) text.remove_prefix(1);
  double value = 0;
  if (!text.empty()) {
    // from_chars, unlike strtod, ignores the locale that a GUI toolkit may have set.
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::invalid_argument || end != text.data() + text.size()) {
      out.reuseText().assign(bytes);
      return false;
    }
    if (ec == std::errc::result_out_of_range) {
      // Beyond a double: an exponent too large gives infinity (which no field holds), one too
      // small gives 0.
      const size_t exponentAt = text.find_first_of("eE");
      const bool tiny =
          exponentAt != std::string_view::npos && text.substr(exponentAt + 1).starts_with('-');
      value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
      if (text.starts_with('-')) value = -value;
    }
  }
  out = Value::number(value, decimalsOf(text));
  return true;
}

// A date, or the date of a timestamp; false for a text no date holds (February 30, a BC date,
// "infinity"), which drivers deliver as it stands. An empty text is the empty date (the stand-in
// for NULL).
bool textToDate(std::string_view bytes, int, Value& out) {
  if (bytes.empty()) {
    out = Value(Date());
    return true;
  }
  const std::optional<DateTime> value = parseDateTime(bytes);
  if (!value) {
    out.reuseText().assign(bytes);
    return false;
  }
  out = Value(value->date);
  return true;
}

// A timestamp in the one text form of its column, whose length leaves room for its fraction
// digits past "YYYY-MM-DD hh:mm:ss.".
bool timestampToText(std::string_view bytes, int length, Value& out) {
  std::string& text = out.reuseText();
  if (bytes.empty()) return true;
  // Most drivers send the form written here already; only other texts are parsed.
  char written[32];
  const int fractionDigits = length - kDateTimePrefix;
  size_t n = plainDateTimeText(bytes, fractionDigits, written);
  if (n == 0) {
    const std::optional<DateTime> value = parseDateTime(bytes);
    n = value ? dateTimeText(*value, fractionDigits, written) : 0;
  }
  if (n == 0) {
    text.assign(bytes);
    return false;
  }
  text.assign(written, n);
  return true;
}

bool isNumeric(int sqlType) {
  switch (sqlType) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_TINYINT:
      return true;
    default:
      return false;
  }
}

char typeLetter(int sqlType, bool datesAsText) {
  switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_TIME:
      return 'C';
    case SQL_BIT:
      return 'L';
    case SQL_DATE:
    case SQL_TIMESTAMP:
      return datesAsText ? 'C' : 'D';
    case SQL_LONGVARCHAR:
    case SQL_LONGVARBINARY:
      return 'M';
    default:
      return isNumeric(sqlType) ? 'N' : 'U';
  }
}

Conversion conversionFor(int sqlType, bool datesAsText) {
  switch (sqlType) {
    // Memo values as the data source holds them; character values filled to their width.
    case SQL_LONGVARCHAR:
    case SQL_LONGVARBINARY:
      return toText;
    case SQL_VARBINARY:
    case SQL_CHAR:
    case SQL_VARCHAR:
      return toPaddedText;
    case SQL_BIT:
      return toLogical;
    case SQL_DATE:
      return datesAsText ? toText : textToDate;
    case SQL_TIMESTAMP:
      return datesAsText ? timestampToText : textToDate;
    default:
      return isNumeric(sqlType) ? toNumber : toText;
  }
}

}  // namespace

bool ColumnDescription::exactNumber() const {
  return type == 'N' && sqlType != SQL_DOUBLE && sqlType != SQL_FLOAT && sqlType != SQL_REAL;
}

bool ColumnDescription::keepsDigits(std::string_view number, double value) const {
  if (!exactNumber()) return true;
  std::string_view text = trim(number);
  if (text.starts_with('+')) text.remove_prefix(1);
  const std::optional<PlainNumber> plain = plainNumber(text);
  if (!plain) return true;
  if (dropsDigits(text, *plain, decimals)) return false;
  if (plain->significantDigits <= 15) return true;
  // The field gets the double's digits: those of the text up to the decimals, filled up with 0.
  std::string written;
  appendNumberText(written, value, decimals);
  const size_t integerEnd = (plain->negative ? 1 : 0) + static_cast<size_t>(plain->integerDigits);
  std::string expected(text.substr(0, integerEnd));
  if (decimals > 0) {
    expected += '.';
    expected += text.substr(std::min(text.size(), integerEnd + 1),
                            static_cast<size_t>(std::min(plain->fractionDigits, decimals)));
    expected.resize(integerEnd + 1 + static_cast<size_t>(decimals), '0');
  }
  return written == expected;
}

ColumnDescription describeColumn(std::string_view name, int sqlType, SQLULEN columnSize,
                                 int decimals, bool notNull, bool datesAsText) {
  ColumnDescription column;
  column.name = std::string(trim(name));
  column.type = typeLetter(sqlType, datesAsText);
  column.notNull = notNull;
  column.sqlType = sqlType;
  column.convert = conversionFor(sqlType, datesAsText);

  std::uint64_t length = columnSize;
  // A long column whose size the driver leaves at 0 (psqlODBC's bytea) is of unknown size, not
  // empty: it gets the longest length rather than losing every value.
  if (length == 0 &&
      (sqlType == SQL_LONGVARCHAR || sqlType == SQL_LONGVARBINARY || sqlType == SQL_WLONGVARCHAR))
    length = kMaxColumnLength;
  if (sqlType == SQL_BINARY && length == 8) length = 16;  // two hexadecimal digits per byte
  // The size of a BIGINT counts its digits; the text of a negative one has its sign too.
  if (sqlType == SQL_BIGINT && length == 19) length = 20;
  // Wide-character types: room for the UTF-8 form of every character.
  if (sqlType < SQL_BIT) length = std::min<std::uint64_t>(length, kMaxColumnLength) * 3;
  column.length = static_cast<int>(std::min<std::uint64_t>(length, kMaxColumnLength));
  column.decimals = decimals;
  // The text form of a timestamp shows milliseconds, or as many fraction digits as the column
  // declares past them (PostgreSQL's timestamp declares 6).
  if (sqlType == SQL_TIMESTAMP && datesAsText)
    column.length = kDateTimePrefix + std::clamp(decimals, 3, 9);

  if (isNumeric(sqlType)) {
    if (column.decimals >= column.length || sqlType == SQL_DOUBLE || sqlType == SQL_FLOAT ||
        sqlType == SQL_REAL) {
      column.decimals = defaultDecimals();
    } else {
      // A field holds 19 characters: a sign, the integer digits, the point and the decimals.
      // The decimals give way so that 0 and the integer digits the precision calls for (up to
      // 11 of them) still fit; a numeric(30,18) gets 6.
      const int integerDigits = std::clamp(column.length - column.decimals, 1, 11);
      column.decimals = std::min(column.decimals, 17 - integerDigits);
    }
    column.length = 19;
  }
  return column;
}

}  // namespace tabulink
