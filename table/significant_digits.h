#pragma once
// The leading decimal digits of a positive double as its exact binary value reads, cut (never
// rounded) after the 16th: what the numeric field texts are rounded from.

namespace tabulink {

constexpr int kSignificantDigits = 16;

// Writes the first 16 significant digits of the exact decimal expansion of `value` (finite,
// > 0) to `digits` and returns the decimal exponent of the first one (scientific notation).
int significantDigits(double value, char* digits);

// The same through a 41-digit expansion every time: the reference the quick path above must
// agree with, and its fallback where 21 digits cannot decide.
int significantDigitsLong(double value, char* digits);

}  // namespace tabulink
