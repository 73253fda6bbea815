#include "odbc/column_description.h"

#include <sqlext.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/process_settings.h"
#include "core/text.h"

namespace tabulink {
namespace {

// Makes `out` a text and returns it emptied, keeping the capacity of a text it already held.
std::string& reuseText(Value& out) {
  if (!out.isText()) out = Value(std::string());
  out.text().clear();
  return out.text();
}

void toPaddedText(std::string_view bytes, int length, Value& out) {
  appendPadRight(reuseText(out), bytes, static_cast<size_t>(length));
}

void toText(std::string_view bytes, int, Value& out) {
  reuseText(out).assign(bytes);
}

void toLogical(std::string_view bytes, int, Value& out) {
  out = Value(bytes.empty() || bytes.front() != '0');
}

// Digits after the decimal point of the leading number of `text`.
int decimalsOf(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '-' || text[start] == '+'))
    ++start;
  while (start < text.size() && text[start] >= '0' && text[start] <= '9')
    ++start;
  if (start >= text.size() || text[start] != '.') return 0;
  size_t end = start + 1;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9')
    ++end;
  return static_cast<int>(end - start - 1);
}

void toNumber(std::string_view bytes, int, Value& out) {
  // Drivers of some locales write the decimal comma.
  std::string withPoint;
  if (bytes.find(',') != std::string_view::npos) {
    withPoint.assign(bytes);
    std::replace(withPoint.begin(), withPoint.end(), ',', '.');
    bytes = withPoint;
  }
  out = Value::number(VAL(bytes), decimalsOf(bytes));
}

void isoToDate(std::string_view bytes, int, Value& out) {
  out = Value(Date::fromIso(bytes));
}

// The 16-byte SQL_C_TIMESTAMP structure; missing bytes read as 0.
SQL_TIMESTAMP_STRUCT timestampOf(std::string_view bytes) {
  SQL_TIMESTAMP_STRUCT stamp{};
  if (!bytes.empty()) std::memcpy(&stamp, bytes.data(), std::min(bytes.size(), sizeof stamp));
  return stamp;
}

void timestampToDate(std::string_view bytes, int, Value& out) {
  SQL_TIMESTAMP_STRUCT stamp = timestampOf(bytes);
  out = Value(Date::fromYmd(stamp.year, stamp.month, stamp.day));
}

// Two decimal digits of 0..99.
char* twoDigits(char* at, unsigned value) {
  at[0] = static_cast<char>('0' + value / 10);
  at[1] = static_cast<char>('0' + value % 10);
  return at + 2;
}

void timestampToText(std::string_view bytes, int, Value& out) {
  SQL_TIMESTAMP_STRUCT stamp = timestampOf(bytes);
  const auto millis = static_cast<unsigned>(stamp.fraction / 1000000 % 1000);
  std::string& text = reuseText(out);
  // Written by hand in the usual case: formatting is a large share of an export of timestamps.
  if (stamp.year >= 1000 && stamp.year <= 9999 && stamp.month <= 99 && stamp.day <= 99 &&
      stamp.hour <= 99 && stamp.minute <= 99 && stamp.second <= 99) {
    char stampText[23];
    const auto year = static_cast<unsigned>(stamp.year);
    char* at = twoDigits(stampText, year / 100);
    at = twoDigits(at, year % 100);
    *at++ = '-';
    at = twoDigits(at, stamp.month);
    *at++ = '-';
    at = twoDigits(at, stamp.day);
    *at++ = ' ';
    at = twoDigits(at, stamp.hour);
    *at++ = ':';
    at = twoDigits(at, stamp.minute);
    *at++ = ':';
    at = twoDigits(at, stamp.second);
    *at++ = '.';
    *at++ = static_cast<char>('0' + millis / 100);
    twoDigits(at, millis % 100);
    text.assign(stampText, sizeof stampText);
    return;
  }
  // Other years right-aligned in four characters, wider fields as wide as they are.
  char stampText[64];
  int n =
      std::snprintf(stampText, sizeof stampText, "%4d-%02u-%02u %02u:%02u:%02u.%03u", stamp.year,
                    stamp.month, stamp.day, stamp.hour, stamp.minute, stamp.second, millis);
  text.assign(stampText, static_cast<size_t>(std::clamp(n, 0, int{sizeof stampText} - 1)));
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
    case SQL_LONGVARCHAR:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
    case SQL_CHAR:
    case SQL_VARCHAR:
      return toPaddedText;
    case SQL_BIT:
      return toLogical;
    case SQL_DATE:
      return datesAsText ? toText : isoToDate;
    case SQL_TIMESTAMP:
      return datesAsText ? timestampToText : timestampToDate;
    default:
      return isNumeric(sqlType) ? toNumber : toText;
  }
}

}  // namespace

ColumnDescription describeColumn(std::string_view name, int sqlType, SQLULEN columnSize,
                                 int decimals, bool notNull, bool datesAsText) {
  ColumnDescription column;
  column.name = std::string(trim(name));
  column.type = typeLetter(sqlType, datesAsText);
  column.notNull = notNull;
  column.sqlType = sqlType;
  column.cType = sqlType == SQL_TIMESTAMP ? SQL_C_TIMESTAMP : SQL_C_CHAR;
  column.convert = conversionFor(sqlType, datesAsText);

  std::uint64_t length = columnSize;
  // A long column whose size the driver leaves at 0 (psqlODBC's bytea) is of unknown size, not
  // empty: it gets the longest length rather than losing every value.
  if (length == 0 &&
      (sqlType == SQL_LONGVARCHAR || sqlType == SQL_LONGVARBINARY || sqlType == SQL_WLONGVARCHAR))
    length = kMaxColumnLength;
  if (sqlType == SQL_BINARY && length == 8) length = 16;  // two hexadecimal digits per byte
  // Wide-character types: room for the UTF-8 form of every character.
  if (sqlType < SQL_BIT) length = std::min<std::uint64_t>(length, kMaxColumnLength) * 3;
  column.length = static_cast<int>(std::min<std::uint64_t>(length, kMaxColumnLength));
  column.decimals = decimals;

  if (isNumeric(sqlType)) {
    if (column.decimals >= column.length || sqlType == SQL_DOUBLE || sqlType == SQL_FLOAT ||
        sqlType == SQL_REAL)
      column.decimals = defaultDecimals();
    column.length = 19;
  }
  return column;
}

}  // namespace tabulink
