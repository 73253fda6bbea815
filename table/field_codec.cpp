#include "table/field_codec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/text.h"
#include "table/little_endian.h"
#include "table/significant_digits.h"

namespace tabulink {
namespace {

// Adds one at the last of the `n` digits at `digits` (a "." among them skipped), carrying to the
// left; false when the carry runs out of digits (they are then all "0").
bool roundUpDigits(char* digits, size_t n) {
  while (n > 0) {
    --n;
    if (digits[n] == '.') continue;
    if (digits[n] != '9') {
      ++digits[n];
      return true;
    }
    digits[n] = '0';
  }
  return false;
}

// The digits of a non-negative, non-integral `value` with exactly `decimals` decimals, rounded
// half away from zero at the last decimal place from at most 16 significant digits (later digit
// positions are "0"). A dropped 4 followed by nines up to the 16th significant digit (the last
// one at least 2) rounds up too, so binary near-misses such as 2.675 round the way they read.
// Returns the text length written to `out`, which holds at least 320 + decimals bytes.
size_t fractionText(double value, int decimals, char* out) {
  char digits[kSignificantDigits];
  int exponent = significantDigits(value, digits);
  int point = exponent + 1;  // digits before the decimal point (≤ 0: leading zeros after it)
  auto digitAt = [&](int k) { return k >= 0 && k < kSignificantDigits ? digits[k] : '0'; };

  size_t n = 0;
  if (point <= 0) {
    out[n++] = '0';
  } else {
    for (int k = 0; k < point; ++k)
      out[n++] = digitAt(k);
  }
  if (decimals > 0) {
    out[n++] = '.';
    for (int j = 0; j < decimals; ++j)
      out[n++] = digitAt(point + j);
  }
  int dropped = point + decimals;  // index of the first digit not written
  bool roundUp = false;
  if (dropped >= 0 && dropped < kSignificantDigits) {
    char first = digits[dropped];
    if (first >= '5') {
      roundUp = true;
    } else if (first == '4' && dropped + 1 < kSignificantDigits) {
      roundUp = digits[kSignificantDigits - 1] >= '2' &&
                std::all_of(digits + dropped + 1, digits + kSignificantDigits - 1,
                            [](char c) { return c == '9'; });
    }
  }
  if (roundUp && !roundUpDigits(out, n)) {
    std::memmove(out + 1, out, n);
    out[0] = '1';
    ++n;
  }
  return n;
}

}  // namespace

size_t numberText(double value, int decimals, char* out) {
  if (!std::isfinite(value)) return 0;
  bool negative = std::signbit(value);
  double magnitude = std::fabs(value);
  char* text = out + 1;
  size_t n;
  if (magnitude == std::floor(magnitude)) {
    // Integral values are written exactly, however many digits they have.
    auto [end, ec] = std::to_chars(text, text + 320, magnitude, std::chars_format::fixed, 0);
    (void)ec;
    n = static_cast<size_t>(end - text);
    if (decimals > 0) {
      text[n++] = '.';
      std::memset(text + n, '0', static_cast<size_t>(decimals));
      n += static_cast<size_t>(decimals);
    }
  } else {
    n = fractionText(magnitude, decimals, text);
  }
  // A value that rounds to zero carries no sign.
  if (negative && std::any_of(text, text + n, [](char c) { return c >= '1' && c <= '9'; })) {
    out[0] = '-';
    return n + 1;
  }
  std::memmove(out, text, n);
  return n;
}

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

// Whether a text of more than 15 significant digits rounded at `decimals` decimals by its first
// dropped digit gives what the double it reads as gives. The double differs from the text by
// less than two units of the 16th significant digit, so its first 16 digits (which fractionText
// rounds from) differ from the text's only where a run of 9s or 0s carries the difference up;
// a text whose digits after the dropped one, up to the 15th, are neither all 9 nor all 0 is
// clear of that, and of the 4-then-9s case.
bool roundsAsItReads(std::string_view text, const PlainNumber& plain, int decimals) {
  if (plain.fractionDigits <= decimals) return false;
  // The first significant digits, copied as the runs they are: those of the integer part, if it is
  // not 0, then the fraction's after its leading zeros.
  char digits[kSignificantDigits];
  int count = 0;
  auto take = [&](const char* from, int n) {
    n = std::min(n, kSignificantDigits - count);
    std::memcpy(digits + count, from, static_cast<size_t>(n));
    count += n;
  };
  const char* integer = text.data() + (plain.negative ? 1 : 0);
  const char* fraction = integer + plain.integerDigits + 1;  // there is a point: decimals are cut
  if (*integer != '0') {
    take(integer, plain.integerDigits);
    take(fraction, plain.fractionDigits);
  } else {
    take(fraction + plain.fractionDigits - plain.significantDigits, plain.significantDigits);
  }
  const int leadingZeros = plain.integerDigits + plain.fractionDigits - plain.significantDigits;
  const int dropped = plain.integerDigits + decimals - leadingZeros;  // among the digits above
  // Dropping a leading zero leaves less than a tenth of the last decimal: 0 either way.
  if (dropped < 0) return true;
  if (dropped > kSignificantDigits - 3) return false;
  const char* rest = digits + dropped + 1;
  const char* end = digits + kSignificantDigits - 1;
  return std::any_of(rest, end, [](char c) { return c != '9'; }) &&
         std::any_of(rest, end, [](char c) { return c != '0'; });
}

}  // namespace

bool encodePlainNumber(const DbfField& field, std::string_view text, const PlainNumber& plain,
                       char* dest, bool exact) {
  // Up to 15 significant digits a double holds the number so closely that its digits, written
  // or rounded with these decimals, are these digits. Longer texts are only rounded, and only
  // where the double cannot round the other way.
  const int decimals = field.decimals;
  if (field.kind != FieldKind::Numeric ||
      (!exact && (plain.integerDigits + decimals > 15 ||
                  (plain.significantDigits > 15 && !roundsAsItReads(text, plain, decimals)))))
    return false;
  // The digits kept: those up to the field's last decimal.
  const size_t sign = plain.negative ? 1 : 0;
  const size_t integerEnd = sign + static_cast<size_t>(plain.integerDigits);
  size_t kept = text.size();
  if (plain.fractionDigits > decimals) kept = integerEnd + (decimals > 0 ? 1 + decimals : 0);
  char digits[24];
  const size_t n = kept - sign;
  std::memcpy(digits, text.data() + sign, n);
  // A carry into a new digit is left to the full conversion.
  if (plain.fractionDigits > decimals && text[integerEnd + 1 + decimals] >= '5' &&
      !roundUpDigits(digits, n))
    return false;
  const bool zero = std::none_of(digits, digits + n, [](char c) { return c >= '1' && c <= '9'; });
  // A value that rounds to zero carries no sign; one written as zero is left to the conversion.
  if (plain.negative && zero && plain.significantDigits == 0) return false;
  const size_t shownSign = plain.negative && !zero ? 1 : 0;
  const int shown = std::min(plain.fractionDigits, decimals);
  const size_t filled = static_cast<size_t>(decimals - shown);
  const size_t width = shownSign + n + filled + (decimals > 0 && shown == 0 ? 1 : 0);
  if (width > field.length) return false;
  char* at = dest + (field.length - width);
  std::memset(dest, ' ', field.length - width);
  if (shownSign != 0) *at++ = '-';
  std::memcpy(at, digits, n);
  at += n;
  if (decimals > 0 && shown == 0) *at++ = '.';
  std::memset(at, '0', filled);
  return true;
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
