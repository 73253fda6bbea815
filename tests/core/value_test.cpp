#include "core/value.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tabulink {

TEST(Value, AbsentIsDistinctFromEmptyZeroAndFalse) {
  Value absent;
  EXPECT_TRUE(absent.isAbsent());
  EXPECT_NE(absent, Value(""));
  EXPECT_NE(absent, Value::number(0));
  EXPECT_NE(absent, Value(false));
  EXPECT_NE(Value(""), Value(false));
}

TEST(Cvaltochar, EveryKind) {
  EXPECT_EQ(CVALTOCHAR(Value()), "");
  EXPECT_EQ(CVALTOCHAR(Value("Rome  ")), "Rome  ");
  EXPECT_EQ(CVALTOCHAR(Value(true)), ".T.");
  EXPECT_EQ(CVALTOCHAR(Value(false)), ".F.");
  EXPECT_EQ(CVALTOCHAR(Value(Date::fromYmd(2005, 3, 14))), "03/14/2005");
  EXPECT_EQ(CVALTOCHAR(Value(Date())), "  /  /    ");
}

TEST(Cvaltochar, NumbersCarryTheirDecimals) {
  EXPECT_EQ(CVALTOCHAR(Value::number(1234.5, 2)), "1234.50");
  EXPECT_EQ(CVALTOCHAR(Value::number(-0.5, 2)), "-0.50");
  EXPECT_EQ(CVALTOCHAR(Value::number(12, 0)), "12");
  EXPECT_EQ(CVALTOCHAR(Value::number(-0.001, 2)), "0.00");
  EXPECT_EQ(CVALTOCHAR(Value::number(1e17, 2)), "100000000000000000.00");
  EXPECT_EQ(CVALTOCHAR(Value::number(123456789012.25, 3)), "123456789012.250");
}

// One rounding, half away from zero, of the shortest text that reads back as the double: the
// digits a reader of the source sees, never those of the binary value past them.
TEST(Cvaltochar, NumbersRoundOnceFromTheirShortestText) {
  for (auto [value, decimals, text] : {std::tuple{12345678901234.7, 2, "12345678901234.70"},
                                       {999999999999999.9, 2, "999999999999999.90"},
                                       {1234567890.123, 6, "1234567890.123000"},
                                       {13123359.58005249, 6, "13123359.580052"},
                                       {2.675, 2, "2.68"},
                                       {9.995, 2, "10.00"},
                                       {-2.5, 0, "-3"},
                                       {-0.004, 2, "0.00"},
                                       {1e20, 1, "100000000000000000000.0"},
                                       {0.1, 20, "0.10000000000000000000"}})
    EXPECT_EQ(CVALTOCHAR(Value::number(value, decimals)), text) << value;
}

}  // namespace tabulink
