#include "odbc/column_description.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "core/process_settings.h"

namespace tabulink {
namespace {

ColumnDescription describe(int sqlType, SQLULEN size, int decimals, bool datesAsText = false) {
  return describeColumn(" name ", sqlType, size, decimals, false, datesAsText);
}

Value convert(const ColumnDescription& column, std::string_view bytes) {
  Value out;
  column.convert(bytes, column.length, out);
  return out;
}

}  // namespace

TEST(ColumnDescription, NumericColumnsHaveLength19AndDefaultDecimalsWhenScaleIsUnusable) {
  setDefaultDecimals(3);
  ColumnDescription allScale = describe(SQL_NUMERIC, 5, 5);
  EXPECT_EQ(allScale.type, 'N');
  EXPECT_EQ(allScale.length, 19);
  EXPECT_EQ(allScale.decimals, 3);
  EXPECT_EQ(describe(SQL_NUMERIC, 10, 2).decimals, 2);
  EXPECT_EQ(describe(SQL_INTEGER, 10, 0).decimals, 0);
  EXPECT_EQ(describe(SQL_DOUBLE, 15, 0).decimals, 3);
  EXPECT_EQ(describe(SQL_REAL, 7, 0).decimals, 3);
  EXPECT_EQ(describe(SQL_TINYINT, 3, 0).length, 19);
  // The decimals give way to the integer digits of the precision (up to 11) within 19 characters.
  EXPECT_EQ(describe(SQL_NUMERIC, 30, 18).decimals, 6);
  EXPECT_EQ(describe(SQL_NUMERIC, 20, 18).decimals, 15);
  EXPECT_EQ(describe(SQL_NUMERIC, 19, 18).decimals, 16);
  EXPECT_EQ(describe(SQL_NUMERIC, 30, 2).decimals, 2);
  setDefaultDecimals(2);
}

TEST(ColumnDescription, LengthAdjustments) {
  EXPECT_EQ(describe(SQL_BINARY, 8, 0).length, 16);
  EXPECT_EQ(describe(SQL_BINARY, 9, 0).length, 9);
  EXPECT_EQ(describe(SQL_WVARCHAR, 10, 0).length, 30);
  EXPECT_EQ(describe(SQL_WVARCHAR, 10, 0).type, 'U');
  EXPECT_EQ(describe(SQL_LONGVARCHAR, 2147483647, 0).length, kMaxColumnLength);
  EXPECT_EQ(describe(SQL_WLONGVARCHAR, SQLULEN{0xFFFFFFFFFFFFFFFF}, 0).length, kMaxColumnLength);
  // A long column of unknown size (reported as 0) is not treated as always empty.
  EXPECT_EQ(describe(SQL_LONGVARBINARY, 0, 0).length, kMaxColumnLength);
  EXPECT_EQ(describe(SQL_VARCHAR, 0, 0).length, 0);
}

// Dates and timestamps come as text and are converted here: what no date holds fails the
// conversion (to be reported) instead of becoming a date nobody stored.
TEST(ColumnDescription, DatesAndTimestampsFromTheirText) {
  ColumnDescription date = describe(SQL_DATE, 10, 0);
  EXPECT_EQ(date.type, 'D');
  EXPECT_EQ(date.cType, SQL_C_CHAR);
  EXPECT_EQ(convert(date, "2005-03-01"), Value(Date::fromYmd(2005, 3, 1)));
  EXPECT_EQ(convert(date, ""), Value(Date()));  // the stand-in for NULL
  ColumnDescription dateText = describe(SQL_DATE, 10, 0, true);
  EXPECT_EQ(dateText.type, 'C');
  EXPECT_EQ(convert(dateText, "2005-03-01"), Value("2005-03-01"));

  ColumnDescription timestamp = describe(SQL_TIMESTAMP, 26, 6);
  EXPECT_EQ(timestamp.cType, SQL_C_CHAR);
  EXPECT_EQ(convert(timestamp, "2005-03-01 09:05:07.123456"), Value(Date::fromYmd(2005, 3, 1)));
  EXPECT_EQ(convert(timestamp, "2005-03-01T23:59:59.9999"), Value(Date::fromYmd(2005, 3, 1)));
  for (const char* text :
       {"2020-02-30", "0000-01-01", "garbage", "10000-01-01 00:00:00", "infinity", "-infinity",
        "0044-03-15 00:00:00 BC", "0000-00-00", "2005-03-01 24:00:00", "2005-03-01 10:00:00 +01"}) {
    Value out;
    EXPECT_FALSE(timestamp.convert(text, timestamp.length, out)) << text;
    EXPECT_EQ(out, Value(text));
  }

  // The text form keeps milliseconds, or as many digits as the column declares, rounded.
  ColumnDescription millis = describe(SQL_TIMESTAMP, 23, 3, true);
  EXPECT_EQ(millis.type, 'C');
  EXPECT_EQ(millis.length, 23);
  EXPECT_EQ(convert(millis, "2005-03-01 09:05:07.123456"), Value("2005-03-01 09:05:07.123"));
  EXPECT_EQ(convert(millis, "2005-03-01 09:05:07.1235"), Value("2005-03-01 09:05:07.124"));
  EXPECT_EQ(convert(millis, "2005-12-31 23:59:59.9995"), Value("2006-01-01 00:00:00.000"));
  EXPECT_EQ(convert(millis, "2024-02-28 23:59:59.9999"), Value("2024-02-29 00:00:00.000"));
  EXPECT_EQ(convert(millis, "2005-03-01"), Value("2005-03-01 00:00:00.000"));
  EXPECT_EQ(convert(millis, "2005-03-01 09:05"), Value("2005-03-01 09:05:00.000"));
  EXPECT_EQ(convert(millis, "2005-03-01 09:05:07+05:30"), Value("2005-03-01 09:05:07.000"));
  EXPECT_EQ(convert(millis, ""), Value(""));
  Value out;
  EXPECT_FALSE(millis.convert("9999-12-31 23:59:59.9999", millis.length, out));
  ColumnDescription micros = describe(SQL_TIMESTAMP, 26, 6, true);
  EXPECT_EQ(micros.length, 26);
  EXPECT_EQ(convert(micros, "2005-03-01 03:04:05.123456"), Value("2005-03-01 03:04:05.123456"));
  EXPECT_EQ(convert(micros, "2005-03-01 03:04:05.5"), Value("2005-03-01 03:04:05.500000"));
  EXPECT_EQ(describe(SQL_TIMESTAMP, 19, 0, true).length, 23);

  // Texts in the usual form are taken from their characters (as the row reader stores them); what
  // that gives must be what their parse gives. Each text with whether it is taken at 3 digits.
  const std::pair<const char*, bool> texts[] = {
      {"2024-02-29 23:59:59.9994", true}, {"2024-02-29 23:59:59.9995", false},
      {"2023-02-29 12:00:00", false},     {"2024-02-29", true},
      {"2005-03-01 09:05:07.1", true},    {"2005-03-01 09:05:07.", true},
      {"2005-03-01 09:05:07", true},      {"2005-03-01 09:05:07.1234995", true},
      {"2005-03-01T09:05:07", false},     {"2005-03-01 09:05", false},
      {"2005-03-01 24:00:00", false},     {"2005-03-01 09:60:00", false},
      {"2005-03-01 09:05:07.12a", false}, {"2005-03-01 09:05:07Z", false},
      {"0044-03-15 00:00:00 BC", false},  {"2005-00-10", false}};
  for (const auto& [text, taken] : texts) {
    SCOPED_TRACE(text);
    const std::optional<DateTime> parsed = parseDateTime(text);
    char digits[8];
    if (plainDateDtos(text, digits)) {
      ASSERT_TRUE(parsed);
      EXPECT_EQ(std::string(digits, 8), parsed->date.dtos());
    }
    for (int fraction : {3, 6, 9}) {
      char plain[32], written[32];
      const size_t n = plainDateTimeText(text, fraction, plain);
      if (fraction == 3) {
        EXPECT_EQ(n != 0, taken);
      }
      if (n == 0) continue;
      ASSERT_TRUE(parsed);
      EXPECT_EQ(std::string(plain, n),
                std::string(written, dateTimeText(*parsed, fraction, written)));
    }
  }
  EXPECT_EQ(describe(SQL_TIME, 8, 0).type, 'C');
  EXPECT_EQ(describe(SQL_TIME, 8, 0).cType, SQL_C_CHAR);
}

TEST(ColumnDescription, TextsArePaddedOrCutToTheLengthOthersKeptAsFetched) {
  ColumnDescription varchar = describe(SQL_VARCHAR, 5, 0);
  EXPECT_EQ(varchar.name, "name");
  EXPECT_EQ(varchar.type, 'C');
  EXPECT_EQ(convert(varchar, ""), Value("     "));
  EXPECT_EQ(convert(varchar, "abcdefg"), Value("abcde"));
  EXPECT_EQ(describe(SQL_LONGVARBINARY, 4, 0).type, 'M');
  EXPECT_EQ(convert(describe(SQL_VARBINARY, 4, 0), "ab"), Value("ab  "));
  EXPECT_EQ(convert(describe(SQL_BIGINT, 19, 0), "9000000000"), Value("9000000000"));
  EXPECT_EQ(describe(SQL_BIGINT, 19, 0).type, 'U');
  EXPECT_EQ(describe(SQL_BIGINT, 19, 0).length, 20);  // room for the sign
  // Memo values come as the data source holds them.
  EXPECT_EQ(convert(describe(SQL_LONGVARCHAR, 300, 0), "long"), Value("long"));

  // One value reused from row to row keeps working when rows alternate kinds.
  Value reused;
  varchar.convert("xy", varchar.length, reused);
  EXPECT_EQ(reused, Value("xy   "));
  reused = Value();
  varchar.convert("z", varchar.length, reused);
  EXPECT_EQ(reused, Value("z    "));
}

TEST(ColumnDescription, LogicalsAndNumbers) {
  ColumnDescription bit = describe(SQL_BIT, 1, 0);
  EXPECT_EQ(bit.type, 'L');
  EXPECT_EQ(convert(bit, "0"), Value(false));
  EXPECT_EQ(convert(bit, "1"), Value(true));
  EXPECT_EQ(convert(bit, ""), Value(true));

  ColumnDescription decimal = describe(SQL_DECIMAL, 10, 2);
  EXPECT_EQ(convert(decimal, "12,50"), Value::number(12.5, 2));
  EXPECT_EQ(convert(decimal, ""), Value::number(0, 0));
  // Whole numbers, exponents included; the decimals they show.
  EXPECT_EQ(convert(decimal, "1e+20"), Value::number(1e20, 0));
  EXPECT_EQ(convert(decimal, " 1.23457e+06"), Value::number(1234570, 0));
  EXPECT_EQ(convert(decimal, "1e-05"), Value::number(0.00001, 5));
  EXPECT_EQ(convert(decimal, "-9223372036854775808"), Value::number(-9223372036854775808.0, 0));
  EXPECT_EQ(convert(decimal, "1e400").number().value, HUGE_VAL);
  EXPECT_EQ(convert(decimal, "-1e-400"), Value::number(-0.0, 400 > 20 ? 20 : 0));
  // Text that is no number is no value: the conversion says so and hands the text back.
  for (std::string_view text : {"$12.34", "-3.125abc", "+-1", "1 2"}) {
    Value out;
    EXPECT_FALSE(decimal.convert(text, decimal.length, out)) << text;
    EXPECT_EQ(out, Value(text));
  }
}

}  // namespace tabulink
