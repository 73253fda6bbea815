#pragma once
// The row-count picture "999,999" of window titles.

#include <string>

namespace tabulink {

// At least 7 characters: the number right-aligned, "," between groups of three digits, blanks
// for leading zeros. A count of a million or more is as wide as it needs, so every count shows.
// 12 → "     12", 1234 → "  1,234", 999999 → "999,999", 1234567 → "1,234,567".
std::string picture999(long long number);

}  // namespace tabulink
