// s: the self-extracting file's form (which extractor, then the archive alone),
// where it goes, and what is refused without writing anything.
#include "results.h"
#include "unlha32_fixture.h"

using namespace unlhatest;
using namespace dllsupport;

namespace {

std::string binFile(const char* name) {
  char buf[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, buf, MAX_PATH);
  std::string p = buf;
  p.resize(p.find_last_of('\\') + 1);
  HANDLE h = CreateFileA((p + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string s(GetFileSize(h, nullptr), '\0');
  DWORD n = 0;
  ReadFile(h, s.data(), static_cast<DWORD>(s.size()), &n, nullptr);
  CloseHandle(h);
  return s;
}

TEST_F(UnlhaTest, SelfExtractorIsTheChosenProgramFollowedByTheArchive) {
  const std::string a = makeArchive("表示.lzh", {"a.txt", "ソ\\b.txt"});
  const std::string archive = read("表示.lzh");
  const std::string win = binFile("sfx_lzh.exe"), dos = binFile("LZHSFX.EXE");
  ASSERT_NE(win, "<missing>");
  ASSERT_NE(dos, "<missing>");

  const Call gw = unlha("s \"" + a + "\" \"" + at("out") + "\\\" -gw -x -+ -a1");
  ASSERT_EQ(gw.result, kOk) << gw.report;
  EXPECT_NE(gw.report.find(at("out\\表示.exe")), std::string::npos) << gw.report;
  EXPECT_TRUE(read("out\\表示.exe") == win + archive);

  const Call plain = unlha("s \"" + a + "\" \"" + at("dos") + "\\\" -x -+ -a1");
  ASSERT_EQ(plain.result, kOk) << plain.report;
  EXPECT_TRUE(read("dos\\表示.exe") == dos + archive);

  // Both are archives to our readers, with the same members.
  for (const char* made : {"out\\表示.exe", "dos\\表示.exe"}) {
    EXPECT_TRUE(library().checkArchive(at(made).c_str(), 0)) << made;
    EXPECT_EQ(names(at(made)), names(a)) << made;
  }

  // Made again from a self-extractor: its program is not carried along.
  const Call again = unlha("s \"" + at("out\\表示.exe") + "\" \"" + at("again") + "\\\"");
  ASSERT_EQ(again.result, kOk) << again.report;
  EXPECT_TRUE(read("again\\表示.exe") == dos + archive);

  // Without a folder the file goes beside the archive.
  ASSERT_EQ(unlha("s -gw \"" + a + "\"").result, kOk);
  EXPECT_TRUE(read("表示.exe") == win + archive);
}

TEST_F(UnlhaTest, SelfExtractorsThatCannotBeMadeLeaveEverythingAsItWas) {
  const std::string a = makeArchive("arc.lzh", {"a.txt"});
  // Windows 3.1: no 16-bit program can be made here; said plainly, not passed off as done.
  const Call w31 = unlha("s \"" + a + "\" \"" + at("w31") + "\\\" -jw -x -+ -a1");
  EXPECT_EQ(w31.result, kUnsupported);
  EXPECT_NE(w31.report.find("Windows 3.1"), std::string::npos) << w31.report;
  EXPECT_FALSE(exists("w31"));

  // The new file would be the archive itself.
  ASSERT_EQ(unlha("s -gw \"" + a + "\"").result, kOk);
  const std::string sfx = read("arc.exe");
  const Call self = unlha("s \"" + at("arc.exe") + "\"");
  EXPECT_EQ(self.result, kBadCommand) << self.report;
  EXPECT_EQ(read("arc.exe"), sfx);

  // No archive, not an archive: nothing made.
  EXPECT_EQ(unlha("s \"" + at("none.lzh") + "\" \"" + at("x") + "\\\"").result, kArchiveNotFound);
  write("plain.lzh", "no archive here, only text");
  EXPECT_EQ(unlha("s \"" + at("plain.lzh") + "\" \"" + at("x") + "\\\"").result, kNotArchive);
  EXPECT_FALSE(exists("x"));
  EXPECT_FALSE(exists("plain.exe"));
}

}  // namespace
