// A number's text written straight into a numeric field against reading the text as a double and
// encoding that: the same bytes wherever the quick path takes a text, on random texts of every
// shape and on the decimals that binary doubles miss (2.675, 8.005, ...).

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>

#include "core/value.h"
#include "table/field_codec.h"

namespace tabulink::test {
namespace {

DbfField numericField(size_t length, int decimals) {
  DbfField field;
  field.kind = FieldKind::Numeric;
  field.length = length;
  field.decimals = decimals;
  return field;
}

// Writes `text` both ways when the quick path takes it; true when it did.
bool quickAgrees(const DbfField& field, const std::string& text) {
  const std::optional<PlainNumber> plain = plainNumber(text);
  if (!plain) return false;
  std::string quick(field.length, '?');
  if (!encodePlainNumber(field, text, *plain, quick.data())) return false;
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  std::string slow(field.length, '?');
  EXPECT_EQ(encodeField(field, Value::number(value), slow.data()), PutResult::Stored) << text;
  EXPECT_EQ(quick, slow) << text << " with " << int{field.decimals} << " decimals";
  return true;
}

TEST(NumberText, QuickFieldBytesAreThoseOfTheDoubleTheTextReadsAs) {
  std::mt19937_64 random(20261207);
  auto digits = [&](int count, bool leadingZero) {
    std::string text;
    for (int i = 0; i < count; ++i)
      text += static_cast<char>('0' + (i == 0 && !leadingZero ? 1 + random() % 9 : random() % 10));
    return text;
  };
  int taken = 0;
  for (int i = 0; i < 1000000; ++i) {
    const int integerDigits = static_cast<int>(random() % 16);
    std::string text = random() % 4 == 0 ? "-" : "";
    text += integerDigits == 0 ? "0" : digits(integerDigits, false);
    // Fractions of every length, with runs of 9 and 0 and the halves that rounding meets.
    const int fraction = static_cast<int>(random() % 25);
    if (fraction > 0) {
      std::string tail = digits(fraction, true);
      if (random() % 3 == 0)
        tail.replace(tail.size() / 2, std::string::npos, tail.size() - tail.size() / 2,
                     random() % 2 ? '9' : '0');
      if (random() % 3 == 0) tail.back() = '5';
      text += "." + tail;
    }
    taken +=
        quickAgrees(numericField(random() % 2 ? 19 : 10, static_cast<int>(random() % 16)), text);
    if (HasFatalFailure() || HasFailure()) return;
  }
  EXPECT_GT(taken, 150000);
  // Texts of more than 15 digits as drivers send doubles (the shortest, or 16 to 20 significant
  // digits), half of them of values a few units in the last place either side of a halfway point.
  taken = 0;
  for (int i = 0; i < 300000; ++i) {
    const int decimals = static_cast<int>(random() % 7);
    const double scale = std::pow(10.0, decimals);
    const double past = random() % 2 ? 0.5 : static_cast<double>(random() % 1000000) / 1e6;
    double value = (static_cast<double>(random() % 2000000000) + past) / scale;
    for (int steps = static_cast<int>(random() % 7) - 3; steps != 0; steps += steps > 0 ? -1 : 1)
      value = std::nextafter(value, steps > 0 ? HUGE_VAL : 0.0);
    if (random() % 2 == 0) value = -value;
    char text[64];
    const int digits = 15 + static_cast<int>(random() % 6);
    const auto end =
        digits == 15 ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed).ptr
                     : std::to_chars(text, text + sizeof text, value, std::chars_format::fixed,
                                     digits - static_cast<int>(std::log10(std::fabs(value))) - 1)
                           .ptr;
    taken += quickAgrees(numericField(19, decimals), std::string(text, end));
    if (HasFatalFailure() || HasFailure()) return;
  }
  EXPECT_GT(taken, 100000);
  for (const char* text : {"2.675",
                           "1.005",
                           "8.005",
                           "0.125",
                           "-0.125",
                           "-0.004",
                           "-0.005",
                           "9.995",
                           "0.5",
                           "-0.5",
                           "1.45",
                           "0.0837450061502553",
                           "999999999999999",
                           "0.000100280736060971",
                           "-2.5",
                           "100",
                           "0",
                           "2.67499999999999982236431605997495353221893310546875",
                           "0.1000000000000000055511151231257827",
                           "8.00499999999999900524",
                           "0.00999999999999999999",
                           "-1.25000000000000000001"}) {
    for (int decimals : {0, 1, 2, 3, 5})
      quickAgrees(numericField(19, decimals), text);
  }
  EXPECT_TRUE(quickAgrees(numericField(19, 2), "2.675"));
}

TEST(NumberText, OnlyPlainNotationIsPlainAndTheRestIsLeftToTheConversion) {
  for (const char* text : {"", "-", "+1", " 1", "1 ", "1e5", "01", ".5", "5.", "1,5", "--1",
                           "1.2.3", "0x10", "inf", "nan", "-.5"})
    EXPECT_FALSE(plainNumber(text)) << text;
  const std::optional<PlainNumber> plain = plainNumber("-0.00120");
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->negative);
  EXPECT_EQ(plain->integerDigits, 1);
  EXPECT_EQ(plain->fractionDigits, 5);
  EXPECT_EQ(plain->significantDigits, 3);
  // More than 15 significant digits, a carry into a new digit, a negative zero, too wide.
  char bytes[19];
  for (auto [text, length, decimals] : {std::tuple{"0.1234567890123456", 19, 17},
                                        {"1234567890123456", 19, 0},
                                        {"9.99", 19, 1},
                                        {"-0.00", 19, 2},
                                        {"12345", 4, 0},
                                        {"1.5", 3, 2}}) {
    const std::optional<PlainNumber> parsed = plainNumber(text);
    ASSERT_TRUE(parsed) << text;
    EXPECT_FALSE(encodePlainNumber(numericField(static_cast<size_t>(length), decimals), text,
                                   *parsed, bytes))
        << text;
  }
}

}  // namespace
}  // namespace tabulink::test
