#pragma once
// Calendar dates as the system stores and shows them: possibly empty, shown in the process-wide
// format month/day/four-digit year (03/14/2005).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tabulink {

class Date {
 public:
  Date() = default;  // the empty date

  // A date from its parts; an impossible date (month 13, February 30, year 0) gives the empty date.
  static Date fromYmd(int year, int month, int day);
  // "YYYYMMDD" as stored in table files; anything else gives the empty date.
  static Date fromDtos(std::string_view text);
  // "YYYY-MM-DD" (the first ten characters) as ODBC drivers render dates.
  static Date fromIso(std::string_view text);
  // The process-wide format "MM/DD/YYYY"; anything else gives the empty date.
  static Date fromText(std::string_view text);
  static Date today();

  bool empty() const { return year_ == 0; }
  int year() const { return year_; }
  int month() const { return month_; }
  int day() const { return day_; }

  std::string dtos() const;         // "YYYYMMDD", or eight blanks for the empty date
  void writeDtos(char* out) const;  // the eight bytes of dtos() at `out`
  std::string toText() const;       // "MM/DD/YYYY", or "  /  /    " for the empty date

  friend bool operator==(const Date&, const Date&) = default;

 private:
  short year_ = 0;
  signed char month_ = 0;
  signed char day_ = 0;
};

// A date and time of day as drivers write them: "YYYY-MM-DD", then optionally " " or "T" and
// "hh:mm", ":ss", "." and fraction digits, then optionally a zone ("Z", "+hh", "-hh:mm"), which is
// dropped. Absent for any other text and for what no date holds: BC dates, the infinities,
// February 30, years 0 and past 9999, hour 24.
struct DateTime {
  Date date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  std::string_view fraction;  // the fraction's digits as written, a view into the text
};
std::optional<DateTime> parseDateTime(std::string_view text);
// "YYYY-MM-DD hh:mm:ss." and `fractionDigits` digits (at most 9) written to `out` (32 bytes),
// rounded half up where digits are dropped, a carry going on into the next second, day or
// year; the length, or 0 when the carry passes the year 9999.
size_t dateTimeText(const DateTime& value, int fractionDigits, char* out);
// The texts drivers usually send, taken from their characters without a DateTime: "YYYY-MM-DD",
// or that, " hh:mm:ss" and optionally "." and fraction digits, of a date and time that exist
// (what parseDateTime reads as its digits say). Any other text gives false or 0, and is parsed.
// plainDateDtos writes the date's eight digits "YYYYMMDD" to `out`; plainDateTimeText writes what
// dateTimeText makes of the text, unless its fraction rounds up into the next second.
bool plainDateDtos(std::string_view text, char* out);
size_t plainDateTimeText(std::string_view text, int fractionDigits, char* out);

// The process-wide date text of a date: month/day/four-digit year.
std::string DTOC(const Date& date);
// The current time of day as "hh:mm:ss" in 24-hour form.
std::string TIME();
// "MM/DD/YYYY" + `separator` + "hh:mm:ss" from one reading of the clock, so date and time always
// agree.
std::string dateTimeStamp(std::string_view separator = " - ");

}  // namespace tabulink
