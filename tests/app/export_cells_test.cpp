// The number text of the text outputs with the configured decimal character, and the error text
// of an output file that cannot be made.

#include "app/export_cells.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "app/export_text_file.h"
#include "table/field_codec.h"

namespace tabulink {
namespace {

std::string numberText(const Value& value, std::string_view decChar) {
  std::string out = "|";
  appendNumberText(out, value, decChar);
  return out;
}

TEST(ExportCells, NumberTextWithTheDecimalCharacter) {
  EXPECT_EQ(numberText(Value::number(1234.5, 2), "."), "|1234.50");
  EXPECT_EQ(numberText(Value::number(1234.5, 2), ","), "|1234,50");
  EXPECT_EQ(numberText(Value::number(-0.5, 3), " dec "), "|-0 dec 500");
  EXPECT_EQ(numberText(Value::number(7, 0), ","), "|7");
  // A DecChar beginning with "." counts as ".".
  EXPECT_EQ(numberText(Value::number(1.25, 2), ".,"), "|1.25");
  // A text delivered for a number column keeps its text, its "." replaced all the same.
  EXPECT_EQ(numberText(Value("1.2.3"), ","), "|1,2,3");
}

TEST(ExportCells, ValueTextFollowsTheValueToTextRule) {
  for (const Value& v : {Value("A1  "), Value::number(3.5, 1), Value(Date::fromYmd(2005, 3, 14)),
                         Value(true), Value()}) {
    std::string out;
    appendValueText(out, v);
    EXPECT_EQ(out, CVALTOCHAR(v));
    std::string scratch = "x";
    EXPECT_EQ(valueText(v, scratch), CVALTOCHAR(v));
  }
}

// The cell of a number stored in a numeric field of `length` and `decimals`: taken from the
// stored text where it is plain, else through the value read back, as the exports do. Both
// forms must agree whenever the stored text is taken.
int storedTextsTaken = 0;

void expectStoredTextAgrees(double number, uint16_t length, uint8_t decimals,
                            std::string_view decChar) {
  DbfField field{"N", FieldKind::Numeric, length, decimals, 0};
  std::string stored(length, '?');
  encodeField(field, Value::number(number, decimals), stored.data());
  std::string quick = "|";
  const std::string_view plain = plainNumberText(stored, decimals);
  if (plain.empty()) return;
  appendPlainNumberText(quick, plain, decChar);
  ++storedTextsTaken;
  Value value;
  decodeField(field, stored.data(), value);
  ASSERT_EQ(quick, numberText(value, decChar)) << stored << " decimals " << int{decimals};
  // The DBF output copies such a text into an equal field: stored again, it is unchanged.
  std::string again(length, '?');
  encodeField(field, value, again.data());
  ASSERT_EQ(again, stored);
}

TEST(ExportCells, StoredNumberTextEqualsTheTextOfTheValueReadBack) {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> magnitude(-12, 15);
  std::uniform_int_distribution<int> decimals(0, 8);
  for (int i = 0; i < 200000; ++i) {
    double number = std::pow(10.0, magnitude(random)) * (i % 3 == 0 ? -1 : 1);
    expectStoredTextAgrees(number, 19, static_cast<uint8_t>(decimals(random)), i % 2 ? "." : ",");
    expectStoredTextAgrees(std::round(number * 100) / 100, 19, 2, ".");
  }
  for (double number : {0.0, -0.0, -0.001, 0.005, 2.675, 999999999999999.0, 99999999999999.99, 1e15,
                        123456789012345678.0, -5.0, 0.1, 1e300})
    for (uint8_t d : {0, 1, 2, 3})
      expectStoredTextAgrees(number, 19, d, ".");
  EXPECT_GT(storedTextsTaken, 200000);
}

TEST(ExportCells, StoredNumberTextLeavesOtherTextsToTheValue) {
  for (std::string_view stored : {"    ", "  ****", " 1.5", " 1.", "   -0.00", "  00.50", " 1e5",
                                  " 1.5 ", " 1234567890123456", " +1.50", "1.2.3"})
    EXPECT_EQ(plainNumberText(stored, 2), "") << stored;
  EXPECT_EQ(plainNumberText(" 12", 2), "");
  std::string out;
  appendPlainNumberText(out, plainNumberText("   -0.05", 2), ",");
  appendPlainNumberText(out, plainNumberText("12", 0), ",");
  EXPECT_EQ(out, "-0,0512");
}

TEST(ExportCells, ErrorTextRightAlignsTheCodeInTen) {
  EXPECT_EQ(asciiFileError("creating", 2),
            "Error creating the ascii output file:          2 (No such file or directory)");
  EXPECT_EQ(asciiFileError("writing", 28),
            "Error writing the ascii output file:         28 (No space left on device)");
}

}  // namespace
}  // namespace tabulink
