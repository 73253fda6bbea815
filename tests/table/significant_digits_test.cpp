// The quick 16-digit expansion of numbers against the 41-digit one it replaces: the same digits
// and exponent for random values, short decimals, dyadic fractions and the rare runs of "9"/"0".

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "table/significant_digits.h"

namespace tabulink::test {
namespace {

// Both paths on `value`; a failure names the value.
void expectAgreement(double value) {
  char quick[kSignificantDigits];
  char exact[kSignificantDigits];
  int quickExponent = significantDigits(value, quick);
  int exactExponent = significantDigitsLong(value, exact);
  ASSERT_EQ(std::string(quick, kSignificantDigits), std::string(exact, kSignificantDigits))
      << std::hexfloat << value;
  ASSERT_EQ(quickExponent, exactExponent) << std::hexfloat << value;
}

// Whether digits 17-21 of the 21-digit expansion of `value` read all `c`.
bool tailReads(double value, char c) {
  char sci[64];
  std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific, 20);
  return std::string(sci + 17, 5) == std::string(5, c);
}

TEST(SignificantDigits, AgreesOnRandomBitPatterns) {
  std::mt19937_64 random(20261207);
  for (int i = 0; i < 200000; ++i) {
    double value = std::fabs(std::bit_cast<double>(random()));
    if (!std::isfinite(value) || value == 0) continue;
    expectAgreement(value);
  }
}

TEST(SignificantDigits, AgreesOnShortDecimalsAndDyadicFractions) {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<int64_t> units(1, 999999999999);
  for (int i = 0; i < 100000; ++i) {
    int64_t n = units(random);
    expectAgreement(static_cast<double>(n) / 100.0);
    expectAgreement(static_cast<double>(n) / 1000.0);
    expectAgreement(static_cast<double>(n % 100000) / 8.0 + 0.125);
    expectAgreement(std::ldexp(static_cast<double>(n | 1), -(i % 60)));
  }
  for (double value : {0.1, 0.5, 2.675, 1.005, 123456789.125, 9007199254740991.5 / 2,
                       0.9999999999999999, 1.0 - 0x1p-53, 5e-324, 2.2250738585072014e-308,
                       1.7976931348623157e308, 1e-300, 4503599627370495.5})
    expectAgreement(value);
}

TEST(SignificantDigits, AgreesWhereDigits17To21ReadAllNinesOrZeros) {
  // About one neighbouring double in 10^5 has either tail; walk far enough to meet several.
  int nines = 0;
  int zeros = 0;
  for (double start : {0.7, 3.3, 1234.56, 0.000123}) {
    double value = start;
    for (int i = 0; i < 150000; ++i, value = std::nextafter(value, 1e300)) {
      bool allNines = tailReads(value, '9');
      bool allZeros = tailReads(value, '0');
      if (!allNines && !allZeros) continue;
      nines += allNines;
      zeros += allZeros;
      expectAgreement(value);
    }
  }
  EXPECT_GT(nines, 0);
  EXPECT_GT(zeros, 0);
}

}  // namespace
}  // namespace tabulink::test
