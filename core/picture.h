#pragma once
// The row-count picture "999,999" of window titles.

#include <string>

namespace tabulink {

// Exactly 7 characters: the number right-aligned in six digit positions with "," after the third
// digit from the left only when a digit stands before it, blanks for leading zeros; numbers that
// do not fit show as seven "*". 12 → "     12", 1234 → "  1,234", 999999 → "999,999".
std::string picture999(long long number);

}  // namespace tabulink
