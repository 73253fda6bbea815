#include "core/value.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(CVALTOCHAR(Value::number(2.675, 2)), "2.67");  // the double below 2.675
  EXPECT_EQ(CVALTOCHAR(Value::number(-0.001, 2)), "0.00");
  EXPECT_EQ(CVALTOCHAR(Value::number(1e17, 2)), "100000000000000000.00");
  EXPECT_EQ(CVALTOCHAR(Value::number(123456789012.25, 3)), "123456789012.250");
}

}  // namespace tabulink
