#pragma once
// Text helpers shared by every layer. Texts are byte strings; widths are byte counts.

#include <cstring>
#include <string>
#include <string_view>

namespace tabulink {

std::string_view trimLeft(std::string_view text);   // leading blanks removed
std::string_view trimRight(std::string_view text);  // trailing blanks removed
std::string_view trim(std::string_view text);       // both
std::string upper(std::string_view text);           // ASCII letters upper-cased
bool startsWithNoCase(std::string_view text, std::string_view prefix);
bool equalsNoCase(std::string_view a, std::string_view b);

// Appends `text` cut to `width` bytes or filled with blanks on the right to exactly `width`.
// A cut never leaves part of a UTF-8 multi-byte character: a complete sequence cut in its middle
// becomes blanks; other bytes (Latin-1 text, say) are kept as they are.
void appendPadRight(std::string& out, std::string_view text, size_t width);
// writePadRight's general case: `text` cut to `width` or filled to it.
void writeCutPadRight(char* dest, std::string_view text, size_t width);
// The same as appendPadRight written over the `width` bytes at `dest`.
inline void writePadRight(char* dest, std::string_view text, size_t width) {
  // Bytes that fit, most fields of a record and most cells, are copied where they are written.
  if (text.size() <= width && !text.empty()) {
    std::memcpy(dest, text.data(), text.size());
    std::memset(dest + text.size(), ' ', width - text.size());
    return;
  }
  writeCutPadRight(dest, text, width);
}
// The same with the blanks on the left; a cut still keeps the leftmost bytes.
void appendPadLeft(std::string& out, std::string_view text, size_t width);
inline void writePadLeft(char* dest, std::string_view text, size_t width) {
  if (text.size() >= width) {
    writePadRight(dest, text, width);
    return;
  }
  const size_t blanks = width - text.size();
  std::memset(dest, ' ', blanks);
  // An empty view may hold no pointer at all, which memcpy must not be given.
  if (!text.empty()) std::memcpy(dest + blanks, text.data(), text.size());
}
std::string padRight(std::string_view text, size_t width);
std::string padLeft(std::string_view text, size_t width);

// The leading numeric part of a text as a number: optional blanks, an optional sign, digits with
// an optional decimal point. Text that does not start with a number gives 0 ("inf" and "nan"
// included); a number too large for a double gives an infinity of its sign.
double VAL(std::string_view text);

// `count` capital letters and digits from the system's random source: the part of a file name that
// no other user can guess.
std::string randomLetters(size_t count);

}  // namespace tabulink
