#include "core/date.h"

#include <charconv>
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

// Reads exactly `text.size()` decimal digits; -1 when any character is not a digit.
int digits(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

void appendPadded(std::string& out, int value, int width) {
  char buf[16];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  for (int n = static_cast<int>(end - buf); n < width; ++n)
    out += '0';
  out.append(buf, end);
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
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > daysInMonth(year, month))
    return d;
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

std::string Date::dtos() const {
  if (empty()) return std::string(8, ' ');
  std::string out;
  out.reserve(8);
  appendPadded(out, year_, 4);
  appendPadded(out, month_, 2);
  appendPadded(out, day_, 2);
  return out;
}

std::string Date::toText() const {
  if (empty()) return "  /  /    ";
  std::string out;
  out.reserve(10);
  appendPadded(out, month_, 2);
  out += '/';
  appendPadded(out, day_, 2);
  out += '/';
  appendPadded(out, year_, 4);
  return out;
}

std::string DTOC(const Date& date) {
  return date.toText();
}

namespace {

std::string timeText(const std::tm& parts) {
  std::string out;
  appendPadded(out, parts.tm_hour, 2);
  out += ':';
  appendPadded(out, parts.tm_min, 2);
  out += ':';
  appendPadded(out, parts.tm_sec, 2);
  return out;
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

}  // namespace tabulink
