#include "sjis.h"

#include <gtest/gtest.h>

// The literals below are compiled into Shift-JIS: 表 is 95 5C, ソ 83 5C, 十 8F 5C, 能 94 5C.
TEST(Sjis, TrailByte5CIsNeverABackslash) {
  for (const std::string word : {"表", "ソ", "十", "能"}) {
    ASSERT_EQ(word.size(), 2u);
    ASSERT_EQ(static_cast<unsigned char>(word[1]), 0x5C) << "fixture: trail byte must be 5C";
    std::string path = "C:\\データ\\" + word;
    EXPECT_FALSE(sjis::endsWithBackslash(path)) << word;
    EXPECT_EQ(sjis::lastBackslash(path), path.size() - word.size() - 1) << word;
    std::string withSlash = path;
    sjis::addBackslash(withSlash);
    EXPECT_EQ(withSlash, path + "\\") << word;
    EXPECT_EQ(sjis::lastCharOffset(path), path.size() - 2) << word;
  }
}

TEST(Sjis, BackslashAfterDoubleByteCharacterIsSeen) {
  std::string path = "C:\\表\\";
  EXPECT_TRUE(sjis::endsWithBackslash(path));
  std::string same = path;
  sjis::addBackslash(same);
  EXPECT_EQ(same, path);
  EXPECT_EQ(sjis::lastBackslash(path), path.size() - 1);
}

TEST(Sjis, SeparatorsAndEdges) {
  EXPECT_FALSE(sjis::endsWithBackslash(""));
  std::string empty;
  sjis::addBackslash(empty);
  EXPECT_EQ(empty, "");
  EXPECT_EQ(sjis::lastSeparator("a/b\\c/d"), 5u);
  EXPECT_EQ(sjis::lastBackslash("a/b\\c/d"), 3u);
  EXPECT_EQ(sjis::lastSeparator("ソ/能"), 2u);
  EXPECT_EQ(sjis::lastSeparator("ソ能"), std::string::npos);
  EXPECT_EQ(sjis::lastOf("a/表/b\\c", '/'), 4u);
  EXPECT_EQ(sjis::lastOf("表", '\\'), std::string::npos);
  // A lone lead byte at the end is one character of its own.
  std::string cut = "ab\x95";
  EXPECT_EQ(sjis::lastCharOffset(cut), 2u);
  EXPECT_FALSE(sjis::endsWithBackslash(cut));
}

TEST(Sjis, CaseMappingKeepsDoubleByteCharactersWhole) {
  // The trail bytes of ア (83 41) and ｱ-free 表 look like 'A' and '\\'.
  std::string mixed = "abcアXyz表q";
  std::string upper = sjis::toUpper(mixed);
  EXPECT_EQ(upper, "ABCアXYZ表Q");
  EXPECT_EQ(sjis::toLower("ABCアXYZ表Q"), "abcアxyz表q");
  // ｱ (half-width katakana, single byte B1) is not a letter.
  EXPECT_EQ(sjis::toUpper("ｱa"), "ｱA");
  EXPECT_TRUE(sjis::equalNoCase("Archive.LZH", "archive.lzh"));
  EXPECT_FALSE(sjis::equalNoCase("ア", "チ"));  // 83 41 vs 83 60 differ though 41/61 are A/a
}

// A lead byte before a byte that cannot be a trail byte is a broken character of
// one byte: the separator after it is still a separator, as the engines read it.
TEST(Sjis, BrokenPairNeverSwallowsASeparator) {
  const std::string slash = "a\x81/b";
  EXPECT_EQ(sjis::lastSeparator(slash), 2u);
  EXPECT_EQ(sjis::lastOf(slash, '/'), 2u);
  const std::string colon = "\x81:";
  EXPECT_EQ(sjis::lastOf(colon, ':'), 1u);
  EXPECT_EQ(sjis::lastCharOffset(colon), 1u);
  EXPECT_EQ(sjis::toUpper("\x81" "a"), "\x81" "a");  // 61 is a trail byte: the pair stays whole
  EXPECT_EQ(sjis::toUpper("\x81 a"), "\x81 A");      // a blank is not: the letter after it is free
  // 5C after a lead byte is always a trail byte, never the backslash.
  EXPECT_FALSE(sjis::endsWithBackslash("x\x81\\"));
  EXPECT_TRUE(sjis::endsWithBackslash("x\x81\x20\\"));
}
