#include "viewer_startup.h"

#include <gtest/gtest.h>

#include <fstream>

TEST(Startup, CascadeMovesByFortyAndWrapsToTen) {
  RECT desktop{0, 0, 640, 480};
  RECT r{500, 50, 400, 300};
  CascadeWindowRect(r, desktop);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 90);
  EXPECT_EQ(r.right, 400) << "width unchanged";
  RECT s{50, 300, 400, 300};
  CascadeWindowRect(s, desktop);
  EXPECT_EQ(s.left, 90);
  EXPECT_EQ(s.top, 10);
}

TEST(Startup, CommandLineIsOnePathWithItsQuotesRemoved) {
  EXPECT_EQ(ArchivePathFromCommandLine("\"C:\\My Files\\表.lzh\""), "C:\\My Files\\表.lzh");
  EXPECT_EQ(ArchivePathFromCommandLine("C:\\My Files\\a.lzh"), "C:\\My Files\\a.lzh");
  EXPECT_EQ(ArchivePathFromCommandLine("C:\\a.lzh\""), "C:\\a.lzh\"") << "a closing quote alone stays";
  EXPECT_EQ(ArchivePathFromCommandLine("\"C:\\a.lzh"), "C:\\a.lzh");
  EXPECT_EQ(ArchivePathFromCommandLine(""), "");
}

TEST(Startup, StatusTextForms) {
  EXPECT_EQ(ArchiveStatusText(3, 2000, 1000), "3 個のﾌｧｲﾙ  総圧縮率 50.0% (2,000ﾊﾞｲﾄ → 1,000ﾊﾞｲﾄ) ");
  EXPECT_EQ(ArchiveStatusText(2, 0, 1234), "2 個のﾌｧｲﾙ  総圧縮率 ?%(?ﾊﾞｲﾄ → 1,234ﾊﾞｲﾄ) ");
  EXPECT_EQ(ArchiveStatusText(4, 10, std::nullopt), "4 個のﾌｧｲﾙ  総圧縮率 ?%(?ﾊﾞｲﾄ → ?ﾊﾞｲﾄ) ");
}

TEST(Startup, ArchiveFileSizeOfAFileOpenForWriting) {
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  std::string path = std::string(tmp) + "size_test.bin";
  HANDLE w = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(w, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  WriteFile(w, "12345", 5, &n, nullptr);
  EXPECT_EQ(ArchiveFileSize(path).value_or(0), 5u) << "others may be writing it meanwhile";
  CloseHandle(w);
  DeleteFileA(path.c_str());
  EXPECT_FALSE(ArchiveFileSize(path).has_value());
}
