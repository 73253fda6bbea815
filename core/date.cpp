#include "core/date.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <ctime>

namespace tabulink {
namespace {

bool isLeap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

// Whether the date exists: no year 0, none past 9999, no February 30.
bool isDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= daysInMonth(year, month);
}

// Reads exactly `text.size()` decimal digits; -1 when any character is not a digit.
int digits(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// `value` (0 up to 10^width - 1) in exactly `width` digits, zeros in front; written by hand, as
// a DBF export formats a date or two per row.
char* writeDigits(char* at, int value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    at[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  return at + width;
}

std::tm localNow() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return parts;
}

}  // namespace

Date Date::fromYmd(int year, int month, int day) {
  Date d;
  if (!isDate(year, month, day)) return d;
  d.year_ = static_cast<short>(year);
  d.month_ = static_cast<signed char>(month);
  d.day_ = static_cast<signed char>(day);
  return d;
}

Date Date::fromDtos(std::string_view text) {
  if (text.size() != 8) return {};
  return fromYmd(digits(text.substr(0, 4)), digits(text.substr(4, 2)), digits(text.substr(6, 2)));
}

Date Date::fromIso(std::string_view text) {
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return {};
  return fromYmd(digits(text.substr(0, 4)), digits(text.substr(5, 2)), digits(text.substr(8, 2)));
}

Date Date::fromText(std::string_view text) {
  if (text.size() != 10 || text[2] != '/' || text[5] != '/') return {};
  return fromYmd(digits(text.substr(6, 4)), digits(text.substr(0, 2)), digits(text.substr(3, 2)));
}

Date Date::today() {
  std::tm parts = localNow();
  return fromYmd(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
}

void Date::writeDtos(char* out) const {
  if (empty()) {
    std::memset(out, ' ', 8);
    return;
  }
  writeDigits(writeDigits(writeDigits(out, year_, 4), month_, 2), day_, 2);
}

std::string Date::dtos() const {
  std::string out(8, ' ');
  writeDtos(out.data());
  return out;
}

std::string Date::toText() const {
  if (empty()) return "  /  /    ";
  std::string out(10, '/');
  writeDigits(out.data(), month_, 2);
  writeDigits(out.data() + 3, day_, 2);
  writeDigits(out.data() + 6, year_, 4);
  return out;
}

std::string DTOC(const Date& date) {
  return date.toText();
}

namespace {

std::string timeText(const std::tm& parts) {
  std::string out(8, ':');
  writeDigits(out.data(), parts.tm_hour, 2);
  writeDigits(out.data() + 3, parts.tm_min, 2);
  writeDigits(out.data() + 6, parts.tm_sec, 2);
  return out;
}

bool isTimeOfDay(int hour, int minute, int second) {
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

// The first `digits` digits of `fraction` (at most 9), filled up with zeros and rounded half up at
// the first digit dropped, written to `out`; whether the rounding carries into the second.
bool roundFraction(std::string_view fraction, int digits, char* out) {
  const size_t kept = static_cast<size_t>(digits);
  for (size_t i = 0; i < kept; ++i)
    out[i] = i < fraction.size() ? fraction[i] : '0';
  bool carry = kept < fraction.size() && fraction[kept] >= '5';
  for (size_t i = kept; carry && i-- > 0;) {
    carry = out[i] == '9';
    out[i] = carry ? '0' : static_cast<char>(out[i] + 1);
  }
  return carry;
}

// Eight characters in the form of a date or a time: a digit where `chars` has "0" (0xFF in
// `digits`), else the character of `chars`; both as one word, as word() reads the characters.
struct Form {
  uint64_t chars = 0;
  uint64_t digits = 0;
};
constexpr Form formOf(std::string_view pattern) {
  Form form;
  for (int i = 0; i < 8; ++i) {
    const int shift = std::endian::native == std::endian::little ? 8 * i : 8 * (7 - i);
    form.chars |= uint64_t{static_cast<unsigned char>(pattern[i])} << shift;
    if (pattern[i] == '0') form.digits |= uint64_t{0xFF} << shift;
  }
  return form;
}

// Whether the eight characters at `at` have the form `form`.
bool hasForm(const char* at, const Form& form) {
  constexpr uint64_t kHigh = 0xF0F0F0F0F0F0F0F0, kSixes = 0x0606060606060606;
  uint64_t text;
  std::memcpy(&text, at, sizeof text);
  // A digit is 0x30 to 0x39: its high half is 3, also once 6 is added to it. Where a character
  // is no digit the test fails at that character, whatever the carry did to the next one.
  return ((text ^ form.chars) & ~form.digits) == 0 &&
         ((text ^ form.chars) & form.digits & kHigh) == 0 &&
         (((text + kSixes) ^ form.chars) & form.digits & kHigh) == 0;
}

// The number the two digits at `at` write.
int twoDigits(const char* at) {
  return (at[0] - '0') * 10 + (at[1] - '0');
}

// Whether `text` is a plain date or timestamp (see plainDateDtos). Runs for every date of every
// row: its characters are looked at in place, eight at a time.
bool isPlainDateTime(std::string_view text) {
  const size_t size = text.size();
  const char* const at = text.data();
  static constexpr Form kYearMonth = formOf("0000-00-"), kMonthDay = formOf("00-00-00");
  static constexpr Form kDayHour = formOf("00 00:00"), kTime = formOf("00:00:00");
  if (size < 10 || !hasForm(at, kYearMonth) || !hasForm(at + 2, kMonthDay) ||
      !isDate(twoDigits(at) * 100 + twoDigits(at + 2), twoDigits(at + 5), twoDigits(at + 8)))
    return false;
  if (size == 10) return true;
  if (size < 19 || !hasForm(at + 8, kDayHour) || !hasForm(at + 11, kTime) ||
      twoDigits(at + 11) > 23 || twoDigits(at + 14) > 59 || twoDigits(at + 17) > 59)
    return false;
  return size == 19 || (at[19] == '.' && std::all_of(at + 20, at + size,
                                                     [](char c) { return c >= '0' && c <= '9'; }));
}

}  // namespace

std::string TIME() {
  return timeText(localNow());
}

std::string dateTimeStamp(std::string_view separator) {
  std::tm parts = localNow();
  return DTOC(Date::fromYmd(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday)) +
         std::string(separator) + timeText(parts);
}

std::optional<DateTime> parseDateTime(std::string_view text) {
  DateTime value;
  value.date = Date::fromIso(text);
  if (value.date.empty()) return std::nullopt;
  std::string_view rest = text.substr(10);
  if (!rest.empty() && (rest[0] == ' ' || rest[0] == 'T') && rest.size() >= 6 && rest[3] == ':') {
    value.hour = digits(rest.substr(1, 2));
    value.minute = digits(rest.substr(4, 2));
    rest.remove_prefix(6);
    if (rest.size() >= 3 && rest[0] == ':') {
      value.second = digits(rest.substr(1, 2));
      rest.remove_prefix(3);
      if (!rest.empty() && rest[0] == '.') {
        const size_t end = std::min(rest.find_first_not_of("0123456789", 1), rest.size());
        value.fraction = rest.substr(1, end - 1);
        rest.remove_prefix(end);
      }
    }
    if (!isTimeOfDay(value.hour, value.minute, value.second)) return std::nullopt;
  }
  // A zone: the time is taken as the data source wrote it.
  if (!rest.empty() && (rest == "Z" || rest[0] == '+' || rest[0] == '-')) {
    if (rest != "Z" && rest.find_first_not_of("0123456789:", 1) != std::string_view::npos)
      return std::nullopt;
    rest = {};
  }
  if (!rest.empty()) return std::nullopt;
  return value;
}

size_t dateTimeText(const DateTime& value, int fractionDigits, char* out) {
  fractionDigits = std::clamp(fractionDigits, 0, 9);
  char fraction[9];
  const bool carry = roundFraction(value.fraction, fractionDigits, fraction);
  int year = value.date.year(), month = value.date.month(), day = value.date.day();
  int hour = value.hour, minute = value.minute, second = value.second;
  if (carry && ++second == 60) {
    second = 0;
    if (++minute == 60) {
      minute = 0;
      if (++hour == 24) {
        hour = 0;
        if (++day > daysInMonth(year, month)) {
          day = 1;
          if (++month > 12) {
            month = 1;
            if (++year > 9999) return 0;
          }
        }
      }
    }
  }
  char* at = writeDigits(out, year, 4);
  *at++ = '-';
  at = writeDigits(at, month, 2);
  *at++ = '-';
  at = writeDigits(at, day, 2);
  *at++ = ' ';
  at = writeDigits(at, hour, 2);
  *at++ = ':';
  at = writeDigits(at, minute, 2);
  *at++ = ':';
  at = writeDigits(at, second, 2);
  if (fractionDigits > 0) {
    *at++ = '.';
    std::memcpy(at, fraction, static_cast<size_t>(fractionDigits));
    at += fractionDigits;
  }
  return static_cast<size_t>(at - out);
}

bool plainDateDtos(std::string_view text, char* out) {
  if (!isPlainDateTime(text)) return false;
  std::memcpy(out, text.data(), 4);
  std::memcpy(out + 4, text.data() + 5, 2);
  std::memcpy(out + 6, text.data() + 8, 2);
  return true;
}

size_t plainDateTimeText(std::string_view text, int fractionDigits, char* out) {
  if (!isPlainDateTime(text)) return 0;
  fractionDigits = std::clamp(fractionDigits, 0, 9);
  const std::string_view fraction = text.size() > 20 ? text.substr(20) : std::string_view();
  if (roundFraction(fraction, fractionDigits, out + 20)) return 0;
  if (text.size() == 10) {
    std::memcpy(out, text.data(), 10);
    std::memcpy(out + 10, " 00:00:00", 9);
  } else {
    std::memcpy(out, text.data(), 19);
  }
  if (fractionDigits == 0) return 19;
  out[19] = '.';
  return 20 + static_cast<size_t>(fractionDigits);
}

}  // namespace tabulink
