#include "core/text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/picture.h"

namespace tabulink {

TEST(Text, PadsAndCutsToByteWidths) {
  EXPECT_EQ(padRight("A1", 4), "A1  ");
  EXPECT_EQ(padRight("DESCRIPTION", 4), "DESC");
  EXPECT_EQ(padLeft("12.5", 6), "  12.5");
  EXPECT_EQ(padLeft("123456", 4), "1234");  // a cut keeps the leftmost bytes
  EXPECT_EQ(padRight("abc", 0), "");
}

TEST(Text, CutNeverSplitsAUtf8Character) {
  // "Zürich": the ü is two bytes at offsets 1 and 2.
  EXPECT_EQ(padRight("Z\xC3\xBCrich", 2), "Z ");
  EXPECT_EQ(padRight("Z\xC3\xBCrich", 3), "Z\xC3\xBC");
  EXPECT_EQ(padLeft("Z\xC3\xBCrich", 2), "Z ");
  // A three-byte character (€) cut after one or two of its bytes.
  EXPECT_EQ(padRight("a\xE2\x82\xAC", 2), "a ");
  EXPECT_EQ(padRight("a\xE2\x82\xAC", 3), "a  ");
  // Bytes that only look like the start of a character (Latin-1 é, or a sequence the text ends
  // before completing) are kept.
  EXPECT_EQ(padRight("ab\xE9"
                     "cd",
                     3),
            "ab\xE9");
  EXPECT_EQ(padRight("ab\xC3"
                     "d",
                     3),
            "ab\xC3");
  EXPECT_EQ(padRight("a\xE2\x82", 2), "a\xE2");
  EXPECT_EQ(padLeft("ab\xE9"
                    "cd",
                    3),
            "ab\xE9");
}

TEST(Text, PaddingWrittenInPlaceMatchesTheAppendedOne) {
  for (std::string_view text : {"", "A1", "DESCRIPTION", "Z\xC3\xBCrich", "a\xE2\x82\xAC"}) {
    for (size_t width : {0u, 1u, 2u, 3u, 4u, 12u}) {
      std::string written(width + 2, '#');
      writePadRight(written.data() + 1, text, width);
      EXPECT_EQ(written, "#" + padRight(text, width) + "#") << text << " " << width;
    }
  }
}

TEST(Text, ValReadsTheLeadingNumber) {
  EXPECT_EQ(VAL("2.9"), 2.9);
  EXPECT_EQ(VAL("  -3abc"), -3);
  EXPECT_EQ(VAL("+4"), 4);
  EXPECT_EQ(VAL("abc"), 0);
  EXPECT_EQ(VAL("-"), 0);
  EXPECT_EQ(VAL("1.2.3"), 1.2);
  EXPECT_EQ(VAL(""), 0);
  EXPECT_EQ(VAL(".5"), 0.5);
  EXPECT_EQ(VAL("5."), 5);
  EXPECT_EQ(VAL("1e5"), 1);
  EXPECT_EQ(VAL("--1"), 0);
  EXPECT_EQ(VAL("+-1"), 0);
  for (const char* word : {"nan", "inf", "-inf", "Infinity", "-nan(1)"})
    EXPECT_EQ(VAL(word), 0) << word;
  EXPECT_EQ(VAL("1" + std::string(400, '0') + ".5"), HUGE_VAL);
  EXPECT_EQ(VAL("-" + std::string(400, '9')), -HUGE_VAL);
  EXPECT_EQ(VAL("0." + std::string(400, '0') + "1"), 0);
}

TEST(Text, TrimAndCase) {
  EXPECT_EQ(trim("  a b  "), "a b");
  EXPECT_EQ(trim("   "), "");
  // Runs of blanks of every length around the eight-byte steps, before a value or to the end.
  for (size_t blanks = 0; blanks <= 33; ++blanks) {
    const std::string run(blanks, ' ');
    EXPECT_EQ(trimLeft(run + "7 x "), "7 x ") << blanks;
    EXPECT_EQ(trimLeft(run + "\t"), "\t") << blanks;
    EXPECT_EQ(trimLeft(run), "") << blanks;
  }
  EXPECT_EQ(upper("Sales-1ä"), "SALES-1ä");
  EXPECT_TRUE(startsWithNoCase("SalesArchive", "sales"));
  EXPECT_FALSE(startsWithNoCase("Sal", "sales"));
}

TEST(Picture, RowCountsInSevenCharactersOrMore) {
  EXPECT_EQ(picture999(12), "     12");
  EXPECT_EQ(picture999(1234), "  1,234");
  EXPECT_EQ(picture999(999999), "999,999");
  EXPECT_EQ(picture999(1), "      1");
  EXPECT_EQ(picture999(0), "      0");
  EXPECT_EQ(picture999(1000), "  1,000");
  EXPECT_EQ(picture999(1000000), "1,000,000");
  EXPECT_EQ(picture999(1234567890), "1,234,567,890");
}

}  // namespace tabulink
