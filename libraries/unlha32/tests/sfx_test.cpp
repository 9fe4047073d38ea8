// s: the self-extracting file's form (which extractor, then the archive alone),
// where it goes, and what is refused without writing anything.
#include "dialog_driver.h"
#include "dialogs_resource.h"
#include "results.h"
#include "unlha32_fixture.h"

using namespace unlhatest;
using namespace dllsupport;

namespace {

// Large enough that copying it outlasts the half second before the progress
// window shows, on a fast disk.
constexpr size_t kLargeArchiveBytes = size_t{1} << 30;

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

// A large archive is copied behind the program with the progress window up:
// a cancel leaves neither the file nor the folder made for it, and -n makes the
// file without any window.
TEST_F(UnlhaTest, SelfExtractorOfALargeArchiveShowsProgressAndCancelsCleanly) {
  // Stored, so that the archive is as large as the data and takes seconds to copy.
  std::string big(kLargeArchiveBytes, '\0');
  const std::vector<uint8_t> block = testsupport::randomBytes(1 << 20, 7);
  for (size_t i = 0; i < big.size(); i += block.size()) std::copy(block.begin(), block.end(), big.begin() + i);
  write("big\\big.bin", big);
  big.clear();
  big.shrink_to_fit();
  ASSERT_EQ(unlha("a -z \"" + at("big.lzh") + "\" \"" + at("big") + "\\\" big.bin").result, kOk);
  const std::string made = at("out\\deep\\big.exe");
  HWND owner = testdialogs::makeOwner();
  Call r;
  {
    testdialogs::DialogDriver d("処理中", IDCANCEL, 0, {}, IDC_DLLS_FILE);
    r = unlha("s \"" + at("big.lzh") + "\" \"" + at("out\\deep") + "\\\" -gw -x -+ -a1", owner);
    EXPECT_TRUE(d.found);
    EXPECT_EQ(d.seen, "big.exe");
  }
  EXPECT_EQ(r.result, kCancelled) << r.report;
  EXPECT_FALSE(exists("out")) << "neither the file, its temporary nor the folders made for it";

  {
    testdialogs::DialogDriver d("処理中", IDCANCEL);
    r = unlha("s \"" + at("big.lzh") + "\" \"" + at("out\\deep") + "\\\" -gw -n", owner);
    EXPECT_FALSE(d.found) << "-n: no progress window";
  }
  DestroyWindow(owner);
  EXPECT_EQ(r.result, kOk) << r.report;
  WIN32_FILE_ATTRIBUTE_DATA a = {}, b = {};
  ASSERT_TRUE(GetFileAttributesExA(made.c_str(), GetFileExInfoStandard, &a));
  ASSERT_TRUE(GetFileAttributesExA(at("big.lzh").c_str(), GetFileExInfoStandard, &b));
  const auto size = [](const WIN32_FILE_ATTRIBUTE_DATA& d) { return uint64_t{d.nFileSizeHigh} << 32 | d.nFileSizeLow; };
  EXPECT_EQ(size(a), binFile("sfx_lzh.exe").size() + size(b));
}

}  // namespace
