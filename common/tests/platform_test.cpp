#include <windows.h>

#include <gtest/gtest.h>

// The runner must give every program the Japanese ANSI code page.
TEST(Platform, AnsiCodePageIs932) {
  EXPECT_EQ(GetACP(), 932u);
  EXPECT_EQ(GetOEMCP(), 932u);
}

TEST(Platform, LiteralsAreShiftJis) {
  const char* s = "表";
  EXPECT_EQ(static_cast<unsigned char>(s[0]), 0x95);
  EXPECT_EQ(static_cast<unsigned char>(s[1]), 0x5C);
  wchar_t w[4] = {};
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, s, -1, w, 4), 2);
  EXPECT_EQ(w[0], L'\u8868');
}
