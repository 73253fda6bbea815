#include "core/text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

namespace tabulink {
namespace {

char upperChar(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Bytes a UTF-8 sequence led by `lead` has in all, or 0 when `lead` cannot begin one.
size_t utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool isContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Length of the longest prefix of `text` of at most `width` bytes that does not end inside a
// UTF-8 character; the bytes between it and `width` are then written as blanks. Only a complete
// sequence (its lead and every continuation byte present in `text`) counts as a character, so
// single-byte text such as Latin-1 is cut at `width` exactly.
size_t utf8CutLength(std::string_view text, size_t width) {
  if (text.size() <= width) return text.size();
  size_t lead = width;
  while (lead > 0 && width - lead < 3 && isContinuation(text[lead]))
    --lead;
  if (lead == width) return width;
  const size_t needed = utf8SequenceLength(static_cast<unsigned char>(text[lead]));
  if (needed == 0 || lead + needed <= width || lead + needed > text.size()) return width;
  for (size_t i = lead + 1; i < lead + needed; ++i)
    if (!isContinuation(text[i])) return width;
  return lead;
}

}  // namespace

// Loops rather than find_first_not_of, which looks each byte up in the set of one blank: trimming
// runs for values of every row. trimLeft goes eight bytes at a time, as the numbers of a record
// stand right-aligned behind long runs of blanks.
std::string_view trimLeft(std::string_view text) {
  constexpr uint64_t kBlanks = 0x2020202020202020;
  size_t start = 0;
  while (start + sizeof kBlanks <= text.size()) {
    uint64_t word = 0;
    std::memcpy(&word, text.data() + start, sizeof word);
    if (word != kBlanks) {
      const uint64_t differs = word ^ kBlanks;
      const int bit = std::endian::native == std::endian::little ? std::countr_zero(differs)
                                                                 : std::countl_zero(differs);
      return text.substr(start + static_cast<size_t>(bit) / 8);
    }
    start += sizeof word;
  }
  while (start < text.size() && text[start] == ' ')
    ++start;
  return text.substr(start);
}

std::string_view trimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ')
    --end;
  return text.substr(0, end);
}

std::string_view trim(std::string_view text) {
  return trimRight(trimLeft(text));
}

std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = upperChar(c);
  return out;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (upperChar(a[i]) != upperChar(b[i])) return false;
  return true;
}

void writeCutPadRight(char* dest, std::string_view text, size_t width) {
  size_t keep = utf8CutLength(text, width);
  // An empty view may hold no pointer at all, which memcpy must not be given.
  if (keep != 0) std::memcpy(dest, text.data(), keep);
  std::memset(dest + keep, ' ', width - keep);
}

void appendPadRight(std::string& out, std::string_view text, size_t width) {
  const size_t at = out.size();
  out.resize(at + width);
  writePadRight(out.data() + at, text, width);
}

void appendPadLeft(std::string& out, std::string_view text, size_t width) {
  const size_t at = out.size();
  out.resize(at + width);
  writePadLeft(out.data() + at, text, width);
}

std::string padRight(std::string_view text, size_t width) {
  std::string out;
  out.reserve(width);
  appendPadRight(out, text, width);
  return out;
}

std::string padLeft(std::string_view text, size_t width) {
  std::string out;
  out.reserve(width);
  appendPadLeft(out, text, width);
  return out;
}

double VAL(std::string_view text) {
  text = trimLeft(text);
  if (text.starts_with("+-")) return 0;
  if (text.starts_with('+')) text.remove_prefix(1);
  // Only a digit or a decimal point starts a number; from_chars would also read "inf" and "nan".
  const std::string_view magnitude = text.starts_with('-') ? text.substr(1) : text;
  if (magnitude.empty() || magnitude.find_first_of("0123456789.") != 0) return 0;
  // from_chars reads the same leading "[-]digits[.digits]" and, unlike strtod, ignores the
  // locale that a GUI toolkit may have set; the fixed format leaves exponents unread.
  double value = 0;
  auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  (void)end;
  if (ec == std::errc::result_out_of_range) {
    // Too large for a double when a digit before the point is not 0 (then infinite, never 0);
    // otherwise too small, which is 0.
    const std::string_view whole = magnitude.substr(0, magnitude.find_first_not_of("0123456789"));
    if (whole.find_first_not_of('0') == std::string_view::npos) return 0;
    return text.starts_with('-') ? -HUGE_VAL : HUGE_VAL;
  }
  return ec == std::errc{} ? value : 0.0;
}

std::string randomLetters(size_t count) {
  // One case only: a cache table's alias is its name in capitals.
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  // Drawn from the system's source for every name: a generator seeded once could be worked out
  // from the names it gave.
  std::random_device source;
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  std::string letters;
  for (size_t i = 0; i < count; ++i)
    letters += kLetters[pick(source)];
  return letters;
}

}  // namespace tabulink
