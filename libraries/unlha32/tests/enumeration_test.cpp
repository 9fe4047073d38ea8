// Enumeration: the records byte for byte, names given back, several handles.
#include <cstring>

#include "dialog_driver.h"
#include "results.h"
#include "unlha32_fixture.h"

using namespace unlhatest;
using namespace dllsupport;

namespace {

TEST_F(UnlhaTest, RecordsHoldSizesStampsAndShiftJisNames) {
  std::string big;
  for (int i = 0; i < 4000; ++i) big += "line " + std::to_string(i % 7) + "\n";
  write("src\\表\\ソ.txt", big);
  write("src\\a.txt", "");
  const Call made = unlha("a -x -r2 -jm2 \"" + at("x.lzh") + "\" \"" + at("src") + "\\\" a.txt 表");
  ASSERT_EQ(made.result, 0) << made.report;
  const auto items = listing(at("x.lzh"));
  ASSERT_EQ(items.size(), 3u);
  EXPECT_STREQ(items[0].name, "a.txt");
  EXPECT_EQ(items[0].originalSize, 0u);
  EXPECT_EQ(items[0].ratio, 0);
  EXPECT_STREQ(items[1].name, "表/");
  EXPECT_STREQ(items[1].method, "-lhd-");
  const auto& f = items[2];
  const auto* raw = reinterpret_cast<const unsigned char*>(&f);
  EXPECT_EQ(std::memcmp(raw + 26, "\x95\x5C\x5C\x83\x5C.txt", 10), 0);  // 表 \ ソ .txt
  EXPECT_EQ(raw[36], 0);
  EXPECT_EQ(f.originalSize, big.size());
  EXPECT_STREQ(f.method, "-lh5-");
  EXPECT_LT(f.compressedSize, big.size());
  EXPECT_EQ(f.ratio, f.compressedSize * 1000u / big.size());
  EXPECT_EQ(f.headerLevel, 2);
  // The DOS stamp is the file's, in local time.
  WIN32_FILE_ATTRIBUTE_DATA fad;
  ASSERT_TRUE(GetFileAttributesExA(at("src\\表\\ソ.txt").c_str(), GetFileExInfoStandard, &fad));
  FILETIME local;
  WORD date = 0, time = 0;
  FileTimeToLocalFileTime(&fad.ftLastWriteTime, &local);
  FileTimeToDosDateTime(&local, &date, &time);
  EXPECT_EQ(f.date, date);
  EXPECT_EQ(f.time >> 1, time >> 1);  // two-second steps
  EXPECT_EQ(library().getFileCount(at("x.lzh").c_str()), 3);
  EXPECT_EQ(listing(at("x.lzh"), "*.txt").size(), 2u);
}

TEST_F(UnlhaTest, EveryReportedNameGivenBackPicksExactlyThatEntry) {
  const std::string a =
      makeArchive("x.lzh", {"表\\ソ.txt", "ソ\\表.txt", "表.txt", "ソ.txt", "dir\\表\\a.txt", "dir\\a.txt", "a.txt"});
  const auto reported = names(a);
  ASSERT_EQ(reported.size(), 7u);  // files named one by one: no folder entries
  for (const auto& name : reported) {
    if (name.back() == '/') continue;  // folders have nothing to extract flat
    const std::string out = at("out" + std::to_string(&name - &reported[0]));
    const Call r = unlha("e \"" + a + "\" \"" + out + "\\\" \"" + name + "\" -p -+ -a1 -c1 -m1");
    ASSERT_EQ(r.result, 0) << name << "\n" << r.report;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((out + "\\*").c_str(), &fd);
    int files = 0;
    std::string got;
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files, got = fd.cFileName;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    EXPECT_EQ(files, 1) << name;
    std::string contents;
    HANDLE fh = CreateFileA((out + "\\" + got).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    char buf[256];
    DWORD n = 0;
    ReadFile(fh, buf, sizeof buf, &n, nullptr);
    CloseHandle(fh);
    EXPECT_EQ(std::string(buf, n), name) << "the file holds its own stored name";
  }
}

TEST_F(UnlhaTest, HandlesAreIndependentAndCheckedOnUse) {
  const std::string a = makeArchive("a.lzh", {"1.txt", "2.txt"});
  const std::string b = makeArchive("b.lzh", {"x.txt"});
  archiver::ArchiveHandle ha = library().openArchive(nullptr, a.c_str(), archiver::kOpenModeList);
  archiver::ArchiveHandle hb = library().openArchive(nullptr, b.c_str(), archiver::kOpenModeList);
  ASSERT_TRUE(ha && hb);
  archiver::ArcItemInfo info;
  ASSERT_EQ(library().findFirst(ha, "*.*", &info), 0);
  EXPECT_STREQ(info.name, "1.txt");
  ASSERT_EQ(library().findFirst(hb, "*.*", &info), 0);
  EXPECT_STREQ(info.name, "x.txt");
  ASSERT_EQ(library().findNext(ha, &info), 0);
  EXPECT_STREQ(info.name, "2.txt");
  EXPECT_EQ(library().findNext(ha, &info), -1);
  EXPECT_EQ(library().findNext(hb, &info), -1);
  EXPECT_EQ(library().closeArchive(ha), 0);
  EXPECT_EQ(library().findNext(ha, &info), kBadHandle);
  EXPECT_EQ(library().closeArchive(ha), kBadHandle);
  EXPECT_EQ(library().closeArchive(hb), 0);
}

TEST_F(UnlhaTest, CheckArchiveAndInvalidFilesWithTheLibrarysMessage) {
  const std::string a = makeArchive("a.lzh", {"1.txt"});
  EXPECT_TRUE(library().checkArchive(a.c_str(), 0));
  EXPECT_TRUE(library().checkArchive(a.c_str(), 2));
  write("bad.lzh", "garbage, no header here");
  EXPECT_FALSE(library().checkArchive(at("bad.lzh").c_str(), 0));
  EXPECT_FALSE(library().checkArchive(at("none.lzh").c_str(), 0));
  EXPECT_EQ(library().getFileCount(at("bad.lzh").c_str()), -1);
  EXPECT_EQ(library().openArchive(nullptr, at("bad.lzh").c_str(), archiver::kOpenModeList), nullptr);
  HWND owner = testdialogs::makeOwner();
  testdialogs::DialogDriver d("UNLHA32.DLL", IDOK);
  EXPECT_EQ(library().openArchive(owner, at("bad.lzh").c_str(), archiver::kOpenModeList), nullptr);
  EXPECT_TRUE(d.found) << "no message box for an invalid file with a window";
  DestroyWindow(owner);
}

TEST_F(UnlhaTest, ArchivesInsideSelfExtractingProgramsAreFound) {
  const std::string a = makeArchive("a.lzh", {"1.txt"});
  std::string exe = "MZ" + std::string(3000, '\x90') + read("a.lzh");
  write("a.exe", exe);
  EXPECT_TRUE(library().checkArchive(at("a.exe").c_str(), 0));
  EXPECT_EQ(names(at("a.exe")), (std::vector<std::string>{"1.txt"}));
}

}  // namespace
