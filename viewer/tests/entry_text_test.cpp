#include "entry_text.h"

#include <gtest/gtest.h>

TEST(EntryText, ThousandsSeparators) {
  EXPECT_EQ(FormatThousands(0), "0");
  EXPECT_EQ(FormatThousands(999), "999");
  EXPECT_EQ(FormatThousands(1000), "1,000");
  EXPECT_EQ(FormatThousands(1234567), "1,234,567");
  EXPECT_EQ(FormatThousands(18446744073709551615ull), "18,446,744,073,709,551,615");
}

TEST(EntryText, RatioIsRightAlignedToThreeDigits) {
  EXPECT_EQ(FormatRatio(453), " 45.3%");
  EXPECT_EQ(FormatRatio(1000), "100.0%");
  EXPECT_EQ(FormatRatio(5), "  0.5%");
}

TEST(EntryText, DosDatesWithTwoDigitYears) {
  auto date = [](int y, int m, int d) { return static_cast<uint16_t>(((y - 1980) << 9) | (m << 5) | d); };
  auto time = [](int h, int mi) { return static_cast<uint16_t>((h << 11) | (mi << 5)); };
  EXPECT_EQ(FormatDosDate(date(2001, 6, 3), time(9, 5)), "01/06/03 09:05");
  EXPECT_EQ(FormatDosDate(date(1999, 12, 31), time(23, 59)), "99/12/31 23:59");
  EXPECT_EQ(FormatDosDate(date(2000, 1, 1), time(0, 0)), "00/01/01 00:00");
  EXPECT_EQ(FormatDosDate(date(1980, 1, 1), time(0, 0)), "80/01/01 00:00");
}

TEST(EntryText, ComparisonFoldsSingleByteLettersOnlyAndKeepsDoubleByteWhole) {
  EXPECT_EQ(CompareEntryText("readme.TXT", "README.txt"), 0);
  EXPECT_LT(CompareEntryText("a", "B"), 0);
  EXPECT_LT(CompareEntryText("ab", "abc"), 0);
  // ア is 83 41 and チ is 83 60: as bytes folded to upper case they would be equal.
  EXPECT_NE(CompareEntryText("ア", "チ"), 0);
  EXPECT_LT(CompareEntryText("ア", "チ"), 0);
  // A double-byte character sorts by its code as a whole, after ASCII.
  EXPECT_GT(CompareEntryText("表", "z"), 0);
  EXPECT_LT(CompareEntryText(" 45.3%", "100.0%"), 0);
}
