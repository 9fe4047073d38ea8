// The Windows extractors as users meet them: made by UNLHA32 `s -gw` and CAB32
// `-f` from archives of a tree with Japanese names (5C trail bytes), folders,
// empty files and a 100 MB file, then run unattended and through their dialog.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "dialogs_resource.h"
#include "payload.h"
#include "sfx_files.h"
#include "sfx_options.h"
#include "sfx_resource.h"

using namespace sfxtest;

namespace {

// Text-like bytes: compressible, but not trivially.
std::string textBytes(size_t n, uint32_t seed) {
  static const char* const words[] = {"archive", "表示", "ソフト", "data", "0123", "十能", "extract", "\r\n", "sfx"};
  std::string s;
  s.reserve(n + 16);
  uint32_t x = seed;
  while (s.size() < n) {
    x = x * 1103515245u + 12345u;
    s += words[(x >> 16) % 9];
    s += static_cast<char>('a' + (x >> 8) % 26);
    s += ' ';
  }
  s.resize(n);
  return s;
}

std::string randomBytes(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  uint32_t x = seed;
  for (auto& c : s) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x);
  }
  return s;
}

// The files of the source tree, relative, with their contents.
struct Tree {
  std::vector<std::pair<std::string, std::string>> files;
  std::vector<std::string> emptyFolders;
};

Tree makeTree(const std::string& root, bool big) {
  Tree t;
  t.files = {{"a.txt", textBytes(20000, 1)},
             {"empty.dat", ""},
             {"表示\\ソフト十能.txt", textBytes(70000, 2)},
             {"表示\\深い\\能.bin", randomBytes(50000, 3)}};
  if (big) t.files.push_back({"big.bin", textBytes(100u << 20, 4)});
  t.emptyFolders = {"表示\\空"};
  makeFolder(root);
  makeFolder(root + "\\表示");
  makeFolder(root + "\\表示\\深い");
  makeFolder(root + "\\表示\\空");
  for (const auto& f : t.files) WriteFile(root + "\\" + f.first, f.second);
  return t;
}

void expectSameTree(const Tree& t, const std::string& out) {
  for (const auto& f : t.files) {
    const std::string got = ReadFile(out + "\\" + f.first);
    EXPECT_EQ(got.size(), f.second.size()) << f.first;
    EXPECT_TRUE(got == f.second) << f.first << " differs";
  }
  for (const auto& d : t.emptyFolders) EXPECT_TRUE(PathExists(out + "\\" + d)) << d;
}

// No temporary file of the extraction policy is left anywhere below `dir`.
void expectNoLeftovers(const std::string& dir, const std::vector<std::string>& allowed) {
  for (const auto& name : listFolder(dir)) {
    const std::string p = dir + "\\" + name;
    if (GetFileAttributesA(p.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
      expectNoLeftovers(p, allowed);
      continue;
    }
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), name), allowed.end()) << "left behind: " << p;
  }
}

std::string q(const std::string& s) { return "\"" + s + "\""; }

class LzhExtractor : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work_ = new Folder;
    lib_ = new Library("UNLHA32.DLL", "Unlha");
    if (!lib_->ok()) return;
    tree_ = new Tree(makeTree(*work_ / "src", true));
    std::string report;
    ASSERT_EQ(lib_->run("a -x -r2 " + q(*work_ / "arc.lzh") + " " + q(*work_ / "src\\") + " *.*", &report), 0)
        << report;
    ASSERT_EQ(lib_->run("s " + q(*work_ / "arc.lzh") + " " + q(*work_ / "made\\") + " -gw -x -+ -a1", &report), 0)
        << report;
    exe_ = *work_ / "made\\arc.exe";
  }
  static void TearDownTestSuite() {
    delete tree_;
    delete lib_;
    delete work_;
  }
  void SetUp() override {
    if (!lib_->ok()) GTEST_SKIP() << "needs UNLHA32.DLL beside the test";
    ASSERT_TRUE(PathExists(exe_));
  }
  static Folder* work_;
  static Library* lib_;
  static Tree* tree_;
  static std::string exe_;
};
Folder* LzhExtractor::work_;
Library* LzhExtractor::lib_;
Tree* LzhExtractor::tree_;
std::string LzhExtractor::exe_;

TEST_F(LzhExtractor, UnattendedExtractsEveryFileExactlyAndSaysSoByItsStatus) {
  Folder out;
  Program p(q(exe_) + " -s " + q(out / "dest"));
  ASSERT_TRUE(p.started());
  EXPECT_EQ(p.wait(), 0u);
  expectSameTree(*tree_, out / "dest");
  expectNoLeftovers(out.path(), {"a.txt", "empty.dat", "ソフト十能.txt", "能.bin", "big.bin"});
}

TEST_F(LzhExtractor, OurReadersTakeTheMadeFileForTheArchive) {
  EXPECT_TRUE(lib_->fns.checkArchive(exe_.c_str(), 0));
  EXPECT_EQ(lib_->fns.getFileCount(exe_.c_str()), lib_->fns.getFileCount((*work_ / "arc.lzh").c_str()));
  Folder out;
  std::string report;
  EXPECT_EQ(lib_->run("x " + q(exe_) + " " + q(out.path() + "\\") + " *.*", &report), 0) << report;
  expectSameTree(*tree_, out.path());
}

TEST_F(LzhExtractor, TheDialogExtractsIntoTheFolderTypedAndAsksBeforeReplacing) {
  Folder out;
  const std::string dest = out / "chosen";
  for (int round = 0; round < 2; ++round) {
    Program p(q(exe_));
    ASSERT_TRUE(p.started());
    HWND dlg = p.window("自己解凍 - arc.exe");
    ASSERT_TRUE(dlg);
    // The default is a folder named after the program, beside it.
    EXPECT_EQ(controlText(dlg, IDC_SFX_DEST), *work_ / "made\\arc");
    SendMessageA(GetDlgItem(dlg, IDC_SFX_DEST), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dest.c_str()));
    click(dlg, IDOK);
    if (round == 1) {
      // Everything is there from the first round: the first file asks, "all" answers the rest.
      HWND ask = p.window("上書きの確認");
      ASSERT_TRUE(ask);
      click(ask, IDC_DLLS_YESTOALL);
    }
    while (controlText(dlg, IDCANCEL) != "閉じる") Sleep(20);
    const std::string log = controlText(dlg, IDC_SFX_LOG);
    EXPECT_NE(log.find(round == 0 ? "展開しました: 表示\\ソフト十能.txt" : "置き換えました: 表示\\ソフト十能.txt"), std::string::npos)
        << log;
    EXPECT_NE(log.find("エラー 0 個"), std::string::npos) << log;
    click(dlg, IDCANCEL);
    EXPECT_EQ(p.wait(), 0u);
    expectSameTree(*tree_, dest);
  }
}

TEST_F(LzhExtractor, CancelInTheMiddleLeavesNoPartialFile) {
  Folder out;
  const std::string dest = out / "cancelled";
  Program p(q(exe_));
  ASSERT_TRUE(p.started());
  HWND dlg = p.window("自己解凍 - arc.exe");
  ASSERT_TRUE(dlg);
  SendMessageA(GetDlgItem(dlg, IDC_SFX_DEST), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dest.c_str()));
  click(dlg, IDOK);
  // Wait until the 100 MB file is under way, then cancel.
  HWND bar = GetDlgItem(dlg, IDC_SFX_BAR);
  while (controlText(dlg, IDC_SFX_CURRENT) != "big.bin" && controlText(dlg, IDCANCEL) != "閉じる") Sleep(5);
  click(dlg, IDCANCEL);
  while (controlText(dlg, IDCANCEL) != "閉じる") Sleep(20);
  const std::string log = controlText(dlg, IDC_SFX_LOG);
  EXPECT_LT(SendMessageA(bar, PBM_GETPOS, 0, 0), 1000);
  click(dlg, IDCANCEL);
  EXPECT_EQ(p.wait(), 3u) << log;
  EXPECT_NE(log.find("中止しました"), std::string::npos) << log;
  EXPECT_FALSE(PathExists(dest + "\\big.bin")) << log;
  expectNoLeftovers(dest, {"a.txt", "empty.dat", "ソフト十能.txt", "能.bin"});
}

// Damage behind the program: a bad byte inside a member's data is a CRC error
// for that file alone; an archive cut short is refused before anything is written.
TEST_F(LzhExtractor, DamagedArchivesAreReportedAndLeaveNothingHalfWritten) {
  Folder out;
  const std::string whole = ReadFile(exe_);
  const uint64_t stub = sfx::peImageEnd(reinterpret_cast<const uint8_t*>(whole.data()), whole.size());
  ASSERT_GT(stub, 0u);
  ASSERT_LT(stub, whole.size());

  // Flip bytes in the middle of the archive (inside big.bin's or its
  // neighbours' data, far from any header).
  std::string bad = whole;
  const size_t at = static_cast<size_t>(stub + (whole.size() - stub) / 2);
  for (size_t i = 0; i < 64; ++i) bad[at + i] = static_cast<char>(bad[at + i] ^ 0x5A);
  WriteFile(out / "bad.exe", bad);
  Program p1(q(out / "bad.exe") + " -s " + q(out / "d1"));
  ASSERT_TRUE(p1.started());
  EXPECT_EQ(p1.wait(), 1u);
  EXPECT_EQ(ReadFile(out / "d1\\a.txt"), tree_->files[0].second) << "the sound files still come out";
  EXPECT_FALSE(PathExists(out / "d1\\big.bin")) << "the damaged file is not left behind";
  expectNoLeftovers(out / "d1", {"a.txt", "empty.dat", "ソフト十能.txt", "能.bin"});

  // Cut off in the middle: the archive ends inside a member.
  WriteFile(out / "cut.exe", whole.substr(0, at));
  Program p2(q(out / "cut.exe") + " -s " + q(out / "d2"));
  ASSERT_TRUE(p2.started());
  EXPECT_EQ(p2.wait(), 2u);
  EXPECT_FALSE(PathExists(out / "d2"));

  // Nothing at all behind the program.
  WriteFile(out / "bare.exe", whole.substr(0, static_cast<size_t>(stub)));
  Program p3(q(out / "bare.exe") + " -s " + q(out / "d3"));
  ASSERT_TRUE(p3.started());
  EXPECT_EQ(p3.wait(), 2u);
  EXPECT_FALSE(PathExists(out / "d3"));
}

// Started by a double click on a program whose archive is damaged: no dialog to
// extract from, but a message saying why; nothing is written, the status says so.
TEST_F(LzhExtractor, ADamagedArchiveRunWithoutArgumentsIsExplainedAndWritesNothing) {
  const std::string whole = ReadFile(exe_);
  const uint64_t stub = sfx::peImageEnd(reinterpret_cast<const uint8_t*>(whole.data()), whole.size());
  ASSERT_GT(stub, 0u);
  const struct {
    const char* name;
    std::string bytes;
    const char* says;
  } cases[] = {
      {"cut.exe", whole.substr(0, static_cast<size_t>(stub + (whole.size() - stub) / 2)), "書庫が壊れています"},
      {"bare.exe", whole.substr(0, static_cast<size_t>(stub)), "書庫が付いていないか"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Folder out;
    WriteFile(out / c.name, c.bytes);
    Program p(q(out / c.name));
    ASSERT_TRUE(p.started());
    HWND box = p.window("自己解凍");
    ASSERT_TRUE(box);
    char caption[64] = {};
    GetWindowTextA(box, caption, sizeof caption);
    EXPECT_STREQ(caption, "自己解凍") << "the message, not the extraction dialog";
    const std::string text = staticTexts(box);
    EXPECT_NE(text.find(c.says), std::string::npos) << text;
    click(box, IDOK);
    EXPECT_EQ(p.wait(), 2u);
    EXPECT_EQ(listFolder(out.path()), std::vector<std::string>{c.name});
  }
}

// Hostile names behind the program: ".." and a root are taken off, so every
// file lands inside the folder given and nothing beside or above it.
TEST(LzhExtractorSafety, NamesThatClimbOutStayInsideTheFolder) {
  const char* data = std::getenv("SUITE_TESTDATA");
  if (!data || !*data) GTEST_SKIP() << "no shared testdata";
  const std::string stub = ReadFile(binFolder() + "sfx_lzh.exe");
  for (const char* name : {"dotdot.lzh", "abspath.lzh"}) {
    SCOPED_TRACE(name);
    std::string corpus = std::string(data) + "/lzh/regression/" + name;
    for (auto& c : corpus) if (c == '/') c = '\\';
    const std::string archive = ReadFile(corpus);
    ASSERT_NE(archive, "<missing>") << corpus;
    Folder work;
    makeFolder(work / "box");
    WriteFile(work / "box\\x.exe", stub + archive);
    Program p(q(work / "box\\x.exe") + " -s " + q(work / "box\\in\\dest"));
    ASSERT_TRUE(p.started());
    EXPECT_EQ(p.wait(), 0u);
    EXPECT_EQ(listFolder(work.path()), std::vector<std::string>{"box"});
    EXPECT_EQ(listFolder(work / "box"), (std::vector<std::string>{"in", "x.exe"}));
    EXPECT_EQ(listFolder(work / "box\\in"), std::vector<std::string>{"dest"});
    EXPECT_FALSE(listFolder(work / "box\\in\\dest").empty());
  }
}

TEST(CabExtractor, AnLzxCabinetComesOutExactlyUnattendedAndThroughItsDialog) {
  Library cab("CAB32.DLL", "Cab");
  if (!cab.ok()) GTEST_SKIP() << "needs CAB32.DLL beside the test";
  Folder work;
  const Tree tree = makeTree(work / "src", false);
  std::string report;
  ASSERT_EQ(cab.run("-a -r -ml:21 " + q(work / "t.cab") + " " + q(work / "src\\") + " *.*", &report), 0) << report;
  ASSERT_EQ(cab.run("-f " + q(work / "t.cab") + " " + q(work / "made\\") + " ", &report), 0) << report;
  EXPECT_TRUE(cab.fns.checkArchive((work / "made\\t.exe").c_str(), 0));
  Program p(q(work / "made\\t.exe") + " -s " + q(work / "out"));
  ASSERT_TRUE(p.started());
  EXPECT_EQ(p.wait(), 0u);
  for (const auto& f : tree.files) EXPECT_TRUE(ReadFile(work / "out\\" + f.first) == f.second) << f.first;

  // And through its dialog, into the folder it offers.
  Program d(q(work / "made\\t.exe"));
  ASSERT_TRUE(d.started());
  HWND dlg = d.window("自己解凍 - t.exe");
  ASSERT_TRUE(dlg);
  EXPECT_EQ(controlText(dlg, IDC_SFX_DEST), work / "made\\t");
  click(dlg, IDOK);
  while (controlText(dlg, IDCANCEL) != "閉じる") Sleep(20);
  click(dlg, IDCANCEL);
  EXPECT_EQ(d.wait(), 0u);
  for (const auto& f : tree.files) EXPECT_TRUE(ReadFile(work / "made\\t\\" + f.first) == f.second) << f.first;
}

TEST(ExtractorPayload, TheArchiveStartsWhereTheImageEnds) {
  for (const char* name : {"sfx_lzh.exe", "sfx_cab.exe"}) {
    const std::string exe = ReadFile(binFolder() + name);
    ASSERT_NE(exe, "<missing>") << name;
    EXPECT_EQ(sfx::peImageEnd(reinterpret_cast<const uint8_t*>(exe.data()), exe.size()), exe.size()) << name;
  }
  const std::string notPe = "MZ" + std::string(200, '\0');
  EXPECT_EQ(sfx::peImageEnd(reinterpret_cast<const uint8_t*>(notPe.data()), notPe.size()), 0u);
  // Section entries past the bytes read are not trusted.
  std::string cut = ReadFile(binFolder() + "sfx_lzh.exe").substr(0, 0x100);
  EXPECT_EQ(sfx::peImageEnd(reinterpret_cast<const uint8_t*>(cut.data()), cut.size()), 0u);
}

// What every self-extracting file carries: the LZH program within the 160 KB
// aimed at (the cabinet one, with three decoders and zlib, is above it). The
// engines' messages in Japanese take about 8 KB of it.
TEST(ExtractorSize, TheLzhProgramStaysSmall) {
  const std::string exe = ReadFile(binFolder() + "sfx_lzh.exe");
  ASSERT_NE(exe, "<missing>");
  EXPECT_LT(exe.size(), 160u * 1024);
}

TEST(ExtractorOptions, UnattendedWithAndWithoutAFolderAndNothingElse) {
  EXPECT_FALSE(sfx::parseArguments({}).unattended);
  const auto plain = sfx::parseArguments({"-s"});
  EXPECT_TRUE(plain.unattended);
  EXPECT_EQ(plain.folder, "");
  EXPECT_EQ(sfx::parseArguments({"/S", "C:\\x y"}).folder, "C:\\x y");
  EXPECT_EQ(sfx::parseArguments({"-sD:\\out"}).folder, "D:\\out");
  EXPECT_TRUE(sfx::parseArguments({"-q"}).bad);
  EXPECT_TRUE(sfx::parseArguments({"-s", "a", "b"}).bad);
  EXPECT_EQ(sfx::defaultFolder("C:\\dl\\setup.exe"), "C:\\dl\\setup");
  EXPECT_EQ(sfx::defaultFolder("C:\\dl.v2\\setup"), "C:\\dl.v2\\setup_files");
}

}  // namespace
