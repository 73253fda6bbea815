// The number text of the text outputs with the configured decimal character, and the error text
// of an output file that cannot be made.

#include "app/export_cells.h"

#include <gtest/gtest.h>

#include "app/export_text_file.h"

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
  }
}

TEST(ExportCells, ErrorTextRightAlignsTheCodeInTen) {
  EXPECT_EQ(asciiFileError("creating", 2), "Error creating the ascii output file:          2");
  EXPECT_EQ(asciiFileError("writing", 28), "Error writing the ascii output file:         28");
}

}  // namespace
}  // namespace tabulink
