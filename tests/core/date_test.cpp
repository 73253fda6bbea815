#include "core/date.h"

#include <gtest/gtest.h>

#include <regex>

namespace tabulink {

TEST(Date, ReadsAndWritesEveryStoredForm) {
  Date d = Date::fromYmd(2005, 3, 14);
  EXPECT_EQ(d.toText(), "03/14/2005");
  EXPECT_EQ(d.dtos(), "20050314");
  EXPECT_EQ(Date::fromDtos("20050314"), d);
  EXPECT_EQ(Date::fromIso("2005-03-14 09:05:07"), d);
  EXPECT_EQ(Date::fromText("03/14/2005"), d);
  EXPECT_EQ(DTOC(Date::fromYmd(1, 1, 1)), "01/01/0001");
}

TEST(Date, ImpossibleDatesAreEmpty) {
  EXPECT_TRUE(Date::fromYmd(2005, 2, 29).empty());
  EXPECT_FALSE(Date::fromYmd(2004, 2, 29).empty());
  EXPECT_TRUE(Date::fromYmd(1900, 2, 29).empty());
  EXPECT_FALSE(Date::fromYmd(2000, 2, 29).empty());
  EXPECT_TRUE(Date::fromYmd(2005, 13, 1).empty());
  EXPECT_TRUE(Date::fromIso("2005-3-14").empty());
  EXPECT_TRUE(Date::fromDtos("2005031").empty());
  EXPECT_TRUE(Date::fromDtos("        ").empty());
  EXPECT_TRUE(Date::fromText("14/03/2005").empty());
  EXPECT_EQ(Date().toText(), "  /  /    ");
  EXPECT_EQ(Date().dtos(), "        ");
}

TEST(Date, StampHasDateAndTime) {
  EXPECT_TRUE(std::regex_match(dateTimeStamp(), std::regex(R"(\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d)")));
}

}  // namespace tabulink
