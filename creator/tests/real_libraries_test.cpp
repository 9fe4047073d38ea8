// Compressing through the real window over our own UNLHA32, CAB32 and TAR32.
// The archives are written into PAKMO_ORACLE_DIR when it is set, where
// run_oracles.sh reads them back with lhasa, cabextract and GNU tar; here each
// report is checked for every file it should name.
#include <windows.h>

#include <gtest/gtest.h>

#include "creator_fixture.h"
#include "test_files.h"

namespace {

const char kLhaTitle[] = "書庫ﾌｧｲﾙの名前を入力してください。";
const char kCabTitle[] = "ｷｬﾋﾞﾈｯﾄﾌｧｲﾙの名前を入力してください。";
const char kTgzTitle[] = "tar.gzﾌｧｲﾙの名前を入力してください。";
const char kTbzTitle[] = "tar.bz2ﾌｧｲﾙの名前を入力してください。";
const char kTarTitle[] = "Tarﾌｧｲﾙの名前を入力してください。";

std::string pattern(size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; i++) {
    seed = seed * 1103515245u + 12345u;
    s[i] = static_cast<char>(i % 7 == 0 ? (seed >> 16) : "abcabcx\n"[i % 8]);
  }
  return s;
}

class RealLibraries : public ::testing::Test {
 protected:
  void SetUp() override {
    ws.useLibrary("..\\UNLHA32.DLL", "UNLHA32.DLL");
    ws.useLibrary("..\\CAB32.DLL", "CAB32.DLL");
    ws.useLibrary("..\\TAR32.DLL", "TAR32.DLL");
    char env[MAX_PATH] = {};
    out = GetEnvironmentVariableA("PAKMO_ORACLE_DIR", env, MAX_PATH) ? std::string(env) : ws.folder("out");
    if (out.back() != '\\') out += '\\';
    src = out + "src\\";
    // The tree run_oracles.sh compares against.
    RemoveTree(src);
    CreateDirectoryA(src.c_str(), nullptr);
    for (const char* d : {"sub", "sub\\deep", "表ソ十"}) CreateDirectoryA((src + d).c_str(), nullptr);
    WriteFile(src + "a.txt", "first file\r\n");
    WriteFile(src + "b.bin", pattern(200000, 7));
    WriteFile(src + "sub\\c.txt", pattern(30000, 9));
    WriteFile(src + "sub\\deep\\d.txt", "deep\n");
    WriteFile(src + "表ソ十\\能書き.txt", pattern(5000, 11));
  }
  static void expectNamed(const std::string& report, const std::vector<std::string>& names) {
    for (const auto& n : names) EXPECT_NE(report.find(n), std::string::npos) << n << " in\n" << report;
  }
  Workspace ws;
  std::string out, src;
};

TEST_F(RealLibraries, LzhArchivesOfEachMethod) {
  CScriptedCreator dlg({src + "a.txt", src + "b.bin", src + "sub", src + "表ソ十"});
  bool ran = false;
  dlg.script = [&](CScriptedCreator& d) {
    ran = true;
    ASSERT_TRUE(d.Enabled(IDC_FORMAT_LHA));
    // lh5 without subfolders: the files, and the files directly in the two folders.
    std::string r = d.Compress(kLhaTitle, out + "lh5.lzh");
    expectNamed(r, {"a.txt", "b.bin", "sub\\c.txt", "表ソ十\\能書き.txt"});
    EXPECT_EQ(r.find("deep"), std::string::npos) << r;
    d.Click(IDC_SUBFOLDERS);
    d.PickMethod(1);
    r = d.Compress(kLhaTitle, out + "lh6.lzh");
    expectNamed(r, {"a.txt", "sub\\deep\\d.txt", "表ソ十\\能書き.txt"});
    d.PickMethod(2);
    r = d.Compress(kLhaTitle, out + "lh7.lzh");
    expectNamed(r, {"b.bin", "sub\\deep\\d.txt"});
    EXPECT_TRUE(PathExists(out + "lh7.lzh"));
    EXPECT_TRUE(d.unexpectedWindows.empty()) << ::testing::PrintToString(d.unexpectedWindows);
  };
  dlg.DoModal(nullptr);
  EXPECT_TRUE(ran);
}

TEST_F(RealLibraries, CabinetsOfEachMethod) {
  CScriptedCreator dlg({src + "a.txt", src + "b.bin", src + "sub", src + "表ソ十"});
  dlg.script = [&](CScriptedCreator& d) {
    d.Click(IDC_FORMAT_CAB);
    d.Click(IDC_SUBFOLDERS);
    std::string r = d.Compress(kCabTitle, out + "mszip.cab");
    expectNamed(r, {"a.txt", "b.bin", "sub\\deep\\d.txt", "表ソ十\\能書き.txt"});
    d.PickMethod(1);
    d.SlideTo(18);
    r = d.Compress(kCabTitle, out + "lzx18.cab");
    expectNamed(r, {"a.txt", "sub\\c.txt"});
    d.PickMethod(2);
    d.Click(IDC_SUBFOLDERS);
    r = d.Compress(kCabTitle, out + "stored.cab");
    expectNamed(r, {"a.txt", "b.bin", "sub\\c.txt"});
    EXPECT_EQ(r.find("deep"), std::string::npos) << r;
    EXPECT_TRUE(d.unexpectedWindows.empty()) << ::testing::PrintToString(d.unexpectedWindows);
  };
  dlg.DoModal(nullptr);
}

// The name typed ends in ".tar": gzip and bzip2 make it ".tar.gz" and ".tar.bz2".
// Tar always takes a folder with everything below it (no subfolder switch).
TEST_F(RealLibraries, TarArchivesOfEachKind) {
  CScriptedCreator dlg({src + "a.txt", src + "b.bin", src + "sub", src + "表ソ十"});
  dlg.script = [&](CScriptedCreator& d) {
    ASSERT_TRUE(d.Enabled(IDC_FORMAT_TAR)) << "TAR32.DLL is beside the program";
    d.Click(IDC_FORMAT_TAR);
    EXPECT_FALSE(d.Enabled(IDC_SUBFOLDERS));
    std::string r = d.Compress(kTgzTitle, out + "tgz.tar");
    expectNamed(r, {"a.txt", "b.bin", "sub\\deep\\d.txt", "表ソ十\\能書き.txt"});
    EXPECT_TRUE(PathExists(out + "tgz.tar.gz")) << r;
    d.PickMethod(1);
    r = d.Compress(kTbzTitle, out + "tbz.tar");
    expectNamed(r, {"a.txt", "sub\\c.txt", "sub\\deep\\d.txt"});
    EXPECT_TRUE(PathExists(out + "tbz.tar.bz2")) << r;
    d.PickMethod(2);
    r = d.Compress(kTarTitle, out + "plain.tar");
    expectNamed(r, {"a.txt", "b.bin", "sub\\c.txt", "sub\\deep\\d.txt"});
    EXPECT_TRUE(d.unexpectedWindows.empty()) << ::testing::PrintToString(d.unexpectedWindows);
  };
  dlg.DoModal(nullptr);
}

TEST_F(RealLibraries, FilesOnTwoDrives) {
  // C: and Z: (the prefix's view of /): the list has no common folder, names go in full.
  std::string onC = ws.write("two\\c-side.txt", "on drive C\n");
  std::string onZ = src + "a.txt";
  if (onZ.rfind("Z:", 0) != 0) GTEST_SKIP() << "needs the output on another drive than C:";
  CScriptedCreator dlg({onC, onZ});
  dlg.script = [&](CScriptedCreator& d) {
    EXPECT_EQ(d.m_baseFolder, kNoCommonFolder);
    std::string r = d.Compress(kLhaTitle, out + "twodrives.lzh");
    expectNamed(r, {"c-side.txt", "a.txt"});
    d.Click(IDC_FORMAT_CAB);
    r = d.Compress(kCabTitle, out + "twodrives.cab");
    expectNamed(r, {"c-side.txt", "a.txt"});
  };
  dlg.DoModal(nullptr);
  // For run_oracles.sh: what the C: file held.
  WriteFile(out + "twodrives-c-side.txt", ReadFile(onC));
}

}  // namespace
