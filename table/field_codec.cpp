#include "table/field_codec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/text.h"
#include "table/little_endian.h"

namespace tabulink {
namespace {

PutResult putNumber(const DbfField& field, double value, char* dest) {
  char text[kNumberTextSize];
  size_t n = numberText(value, field.decimals, text);
  if (n == 0 || n > field.length) {
    std::memset(dest, '*', field.length);
    return PutResult::TooWide;
  }
  std::memset(dest, ' ', field.length - n);
  std::memcpy(dest + (field.length - n), text, n);
  return PutResult::Stored;
}

PutResult putInteger(const DbfField& field, double value, char* dest) {
  double limit = std::ldexp(1.0, 8 * field.length - 1);
  double rounded = std::round(value);
  if (!std::isfinite(rounded) || rounded < -limit || rounded >= limit) return PutResult::TooWide;
  putLittleEndian(dest, static_cast<uint64_t>(static_cast<int64_t>(rounded)), field.length);
  return PutResult::Stored;
}

double parseNumber(std::string_view text) {
  text = trim(text);
  double value = 0;
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  // from_chars, unlike strtod, ignores the locale that a GUI toolkit may have set.
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  (void)ptr;
  return ec == std::errc{} ? value : 0;
}

// Whether the digits of `text` (described by `plain`), rounded half away from zero to `decimals`
// decimals, are what numberText writes for the double the text reads as: that double's shortest
// text, rounded the same way. Up to 15 significant digits that shortest text has these very
// digits. With more, the two texts each lie within half a unit in the double's last place of it,
// so they round alike unless a halfway point of the decimals lies between them. It does not when
// the digits past the decimals are not 49... or 50...: they are then 0.01 of the last decimal or
// more away from halfway, and with at most 13 integer digits and decimals together that is more
// than a unit in the last place (2^-52 of the value, which is under 10^integerDigits).
bool roundsLikeItsDouble(std::string_view text, const PlainNumber& plain, int decimals) {
  if (plain.significantDigits <= 15) return plain.integerDigits + decimals <= 15;
  if (plain.integerDigits + decimals > 13) return false;
  // 16 significant digits or more and the bound above leave at least three digits past the
  // decimals.
  const char* const past =
      text.data() + text.size() - static_cast<size_t>(plain.fractionDigits - decimals);
  const int firstTwo = (past[0] - '0') * 10 + (past[1] - '0');
  return firstTwo != 49 && firstTwo != 50;
}

}  // namespace

size_t encodePlainNumber(const DbfField& field, std::string_view text, const PlainNumber& plain,
                         char* dest, bool exact) {
  const int decimals = field.decimals;
  if (field.kind != FieldKind::Numeric || (!exact && !roundsLikeItsDouble(text, plain, decimals)))
    return 0;
  // Runs for every number of every row: the digits go from the text to the field at once, what
  // the value rounds to worked out from `plain` rather than from the digits written.
  const char* const digits = text.data() + (plain.negative ? 1 : 0);
  const size_t integerDigits = static_cast<size_t>(plain.integerDigits);
  const int shown = std::min(plain.fractionDigits, decimals);
  // The digits kept: those up to the field's last decimal, "." among them.
  const size_t kept = integerDigits + (shown > 0 ? 1 + static_cast<size_t>(shown) : 0);
  // Rounded half away from zero at the first digit dropped; a carry into a new digit (every digit
  // kept a 9) is left to the full conversion.
  const bool roundsUp =
      plain.fractionDigits > decimals && digits[integerDigits + 1 + decimals] >= '5';
  if (roundsUp && std::all_of(digits, digits + kept, [](char c) { return c == '9' || c == '.'; }))
    return 0;
  // Written as zero: an integer part "0" and no significant digit among the decimals kept.
  const bool zero =
      !roundsUp && digits[0] == '0' && plain.fractionDigits - plain.significantDigits >= shown;
  // A value that rounds to zero carries no sign; one written as zero is left to the conversion.
  if (plain.negative && zero && plain.significantDigits == 0) return 0;
  const size_t shownSign = plain.negative && !zero ? 1 : 0;
  const size_t width =
      shownSign + integerDigits + (decimals > 0 ? 1 + static_cast<size_t>(decimals) : 0);
  if (width > field.length) return 0;
  char* at = dest + (field.length - width);
  std::memset(dest, ' ', field.length - width);
  if (shownSign != 0) *at++ = '-';
  std::memcpy(at, digits, kept);
  if (roundsUp) roundUpDigits(at, kept);
  at += kept;
  if (decimals > shown) {
    if (shown == 0) *at++ = '.';
    std::memset(at, '0', static_cast<size_t>(decimals - shown));
  }
  return width;
}

PutResult encodeField(const DbfField& field, const Value& value, char* dest) {
  switch (field.kind) {
    case FieldKind::Character: {
      if (!value.isText()) return PutResult::WrongType;
      writePadRight(dest, value.text(), field.length);
      return PutResult::Stored;
    }
    case FieldKind::Numeric:
      if (!value.isNumber()) return PutResult::WrongType;
      return putNumber(field, value.number().value, dest);
    case FieldKind::Date:
      if (!value.isDate()) return PutResult::WrongType;
      if (field.length == 3) {
        putLittleEndian(dest, static_cast<uint32_t>(julianDay(value.date())), 3);
      } else {
        value.date().writeDtos(dest);
      }
      return PutResult::Stored;
    case FieldKind::Logical:
      if (!value.isLogical()) return PutResult::WrongType;
      dest[0] = value.logical() ? 'T' : 'F';
      return PutResult::Stored;
    case FieldKind::Double: {
      if (!value.isNumber()) return PutResult::WrongType;
      uint64_t bits;
      std::memcpy(&bits, &value.number().value, sizeof bits);
      putLittleEndian(dest, bits, 8);
      return PutResult::Stored;
    }
    case FieldKind::Integer:
      if (!value.isNumber()) return PutResult::WrongType;
      return putInteger(field, value.number().value, dest);
    case FieldKind::Memo:
      break;
  }
  return PutResult::WrongType;
}

void decodeField(const DbfField& field, const char* src, Value& out) {
  std::string_view bytes(src, field.length);
  switch (field.kind) {
    case FieldKind::Character:
      out.reuseText().assign(bytes);
      return;
    case FieldKind::Numeric:
      out = Value::number(parseNumber(bytes), field.decimals);
      return;
    case FieldKind::Date:
      if (field.length == 3) {
        out = Value(fromJulianDay(static_cast<int32_t>(getLittleEndian(src, 3))));
      } else {
        out = Value(Date::fromDtos(bytes));
      }
      return;
    case FieldKind::Logical:
      out = Value(src[0] == 'T' || src[0] == 't' || src[0] == 'Y' || src[0] == 'y');
      return;
    case FieldKind::Double: {
      uint64_t bits = getLittleEndian(src, 8);
      double value;
      std::memcpy(&value, &bits, sizeof value);
      out = Value::number(value, field.decimals);
      return;
    }
    case FieldKind::Integer: {
      // Sign-extend the field's width to 64 bits.
      unsigned shift = 64 - 8 * field.length;
      auto bits = static_cast<int64_t>(getLittleEndian(src, field.length) << shift) >> shift;
      out = Value::number(static_cast<double>(bits));
      return;
    }
    case FieldKind::Memo:
      break;
  }
  out = Value();
}

bool decodeMemoBlock(const DbfField& field, const char* src, uint64_t& block) {
  if (field.length == 4) {
    block = getLittleEndian(src, 4);
    return true;
  }
  std::string_view text = trim(std::string_view(src, field.length));
  block = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    block = block * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

void encodeMemoBlock(const DbfField& field, uint32_t block, char* dest) {
  if (field.length == 4) {
    putLittleEndian(dest, block, 4);
    return;
  }
  std::memset(dest, ' ', field.length);
  if (block == 0) return;
  char digits[10];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, block);
  (void)ec;
  size_t n = static_cast<size_t>(end - digits);
  std::memcpy(dest + field.length - n, digits, n);
}

// The civil-calendar conversions of Fliegel and Van Flandern.
int32_t julianDay(const Date& date) {
  if (date.empty()) return 0;
  int32_t a = (14 - date.month()) / 12;
  int32_t y = date.year() + 4800 - a;
  int32_t m = date.month() + 12 * a - 3;
  return date.day() + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

Date fromJulianDay(int32_t day) {
  if (day <= 0) return Date();
  int64_t a = int64_t{day} + 32044;
  int64_t b = (4 * a + 3) / 146097;
  int64_t c = a - 146097 * b / 4;
  int64_t d = (4 * c + 3) / 1461;
  int64_t e = c - 1461 * d / 4;
  int64_t m = (5 * e + 2) / 153;
  int day0 = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  int month = static_cast<int>(m + 3 - 12 * (m / 10));
  int year = static_cast<int>(100 * b + d - 4800 + m / 10);
  return Date::fromYmd(year, month, day0);
}

}  // namespace tabulink
