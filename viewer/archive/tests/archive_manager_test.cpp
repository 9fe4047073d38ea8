// The archive manager against test libraries that record their calls.
#include "archive_manager.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::string exeFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  return p.substr(0, p.find_last_of('\\') + 1);
}

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(f, line)) lines.push_back(line);
  return lines;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    static int counter = 0;
    dir_ = std::string(tmp) + "mgrtest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
    CreateDirectoryA(dir_.c_str(), nullptr);
    log_ = dir_ + "\\calls.log";
    DeleteFileA(log_.c_str());  // a crashed earlier run may have left one in a folder of the same name
    SetEnvironmentVariableA("FAKE_LOG", log_.c_str());
    SetEnvironmentVariableA("FAKE_RESULT", nullptr);
  }
  void TearDown() override {
    SetDllDirectoryA(nullptr);
    SetEnvironmentVariableA("FAKE_LOG", nullptr);
    for (const auto& f : libFiles_) DeleteFileA(f.c_str());
    RemoveDirectoryA((dir_ + "\\libs").c_str());
    std::string pattern = dir_ + "\\*";
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") DeleteFileA((dir_ + "\\" + n).c_str());
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryA(dir_.c_str());
  }

  // Makes exactly these test libraries ("min/UNLHA32.DLL", ...) loadable by name.
  void useLibraries(const std::vector<std::string>& libs) {
    std::string libDir = dir_ + "\\libs";
    CreateDirectoryA(libDir.c_str(), nullptr);
    for (const auto& lib : libs) {
      std::string from = exeFolder() + lib;
      std::string name = lib.substr(lib.find('/') + 1);
      ASSERT_TRUE(CopyFileA(from.c_str(), (libDir + "\\" + name).c_str(), FALSE)) << from;
      libFiles_.push_back(libDir + "\\" + name);
    }
    SetDllDirectoryA(libDir.c_str());
  }

  std::string archive(const std::string& name, const std::string& settings) {
    std::string path = dir_ + "\\" + name;
    std::ofstream(path, std::ios::binary) << settings;
    return path;
  }

  std::vector<std::string> calls() const { return readLines(log_); }
  std::vector<std::string> callsOf(const std::string& what) const {
    std::vector<std::string> r;
    for (auto& c : calls())
      if (c.find(what) != std::string::npos) r.push_back(c);
    return r;
  }
  void clearCalls() { DeleteFileA(log_.c_str()); }

  std::string dir_, log_;
  std::vector<std::string> libFiles_;
};

const std::vector<std::string> kAllMin = {"min/UNLHA32.DLL", "min/CAB32.DLL", "min/TAR32.DLL", "min/UNZIP32.DLL"};

TEST_F(ManagerTest, LibrariesAtExactlyTheirMinimumVersionAreAccepted) {
  useLibraries(kAllMin);
  CArchiveManager m;
  EXPECT_EQ(m.LoadLibraries(), "");
  EXPECT_TRUE(m.AnyLoaded());
  EXPECT_EQ(m.Handler(kFormatLha)->Version(), 42u);
  EXPECT_EQ(m.Handler(kFormatCab)->Version(), 65u);
  EXPECT_EQ(m.Handler(kFormatTar)->Version(), 51u);
  EXPECT_EQ(m.Handler(kFormatZip)->Version(), 540u);
}

TEST_F(ManagerTest, LibrariesBelowTheirMinimumAreAbsentAndNamedInOrder) {
  useLibraries({"old/UNLHA32.DLL", "old/CAB32.DLL", "old/TAR32.DLL", "old/UNZIP32.DLL"});
  CArchiveManager m;
  EXPECT_EQ(m.LoadLibraries(),
            "Ver0.42 以上の UNLHA32.DLL が必要です\r\nVer0.65 以上の CAB32.DLL が必要です\r\n"
            "Ver0.51 以上の TAR32.DLL が必要です\r\nVer5.40 以上の UNZIP32.DLL が必要です\r\n");
  EXPECT_FALSE(m.AnyLoaded());
  EXPECT_FALSE(m.Handler(kFormatLha)->IsPresent());
  EXPECT_EQ(m.Handler(kFormatLha)->Version(), 0u);
  // Only the version was asked; the old libraries were freed again.
  EXPECT_EQ(callsOf("GetVersion").size(), 4u);
  EXPECT_EQ(callsOf("Unload").size(), 4u);
  char filter[2048] = {};
  EXPECT_EQ(m.BuildOpenFilter(filter, sizeof filter), 0);
}

TEST_F(ManagerTest, WithOnlyTheZipLibraryThreeLinesAreReported) {
  useLibraries({"min/UNZIP32.DLL"});
  CArchiveManager m;
  EXPECT_EQ(m.LoadLibraries(),
            "Ver0.42 以上の UNLHA32.DLL が必要です\r\nVer0.65 以上の CAB32.DLL が必要です\r\n"
            "Ver0.51 以上の TAR32.DLL が必要です\r\n");
  EXPECT_TRUE(m.AnyLoaded());
  char filter[2048];
  memset(filter, 'x', sizeof filter);
  EXPECT_EQ(m.BuildOpenFilter(filter, sizeof filter), 1);
  const char expected[] = "Zipﾌｧｲﾙ(*.zip;*.exe)\0*.zip;*.exe\0全てのﾌｧｲﾙ(*.*)\0*.*\0";
  EXPECT_EQ(std::string(filter, sizeof expected), std::string(expected, sizeof expected));
}

TEST_F(ManagerTest, LibraryLackingABoundFunctionCountsAsAbsent) {
  useLibraries({"lacking/UNLHA32.DLL", "lacking/TAR32.DLL", "min/CAB32.DLL"});
  CArchiveManager m;
  std::string notice = m.LoadLibraries();
  EXPECT_NE(notice.find("UNLHA32.DLL"), std::string::npos);
  EXPECT_NE(notice.find("TAR32.DLL"), std::string::npos) << "no TarGetArchiveType";
  EXPECT_EQ(notice.find("CAB32.DLL"), std::string::npos);
  EXPECT_FALSE(m.Handler(kFormatLha)->IsPresent());
  EXPECT_FALSE(m.Handler(kFormatTar)->IsPresent());
  EXPECT_TRUE(m.Handler(kFormatCab)->IsPresent());
}

TEST_F(ManagerTest, FormatsAreTriedInTheOrderCabLhaTarZip) {
  useLibraries(kAllMin);
  CArchiveManager m;
  m.LoadLibraries();
  clearCalls();
  EXPECT_TRUE(m.DetectFormat(archive("all.arc", "ACCEPT=Unlha,Tar,UnZip,Cab\n")));
  EXPECT_EQ(m.Format(), kFormatCab);
  EXPECT_TRUE(m.DetectFormat(archive("three.arc", "ACCEPT=Unlha,Tar,UnZip\n")));
  EXPECT_EQ(m.Format(), kFormatLha);
  EXPECT_TRUE(m.DetectFormat(archive("two.arc", "ACCEPT=UnZip,Tar\n")));
  EXPECT_EQ(m.Format(), kFormatTar);
  clearCalls();
  EXPECT_TRUE(m.DetectFormat(archive("zip.arc", "ACCEPT=UnZip\n")));
  EXPECT_EQ(m.Format(), kFormatZip);
  auto checks = callsOf("CheckArchive");
  ASSERT_EQ(checks.size(), 4u);
  EXPECT_EQ(checks[0].substr(0, 4), "Cab.");
  EXPECT_EQ(checks[1].substr(0, 6), "Unlha.");
  EXPECT_EQ(checks[2].substr(0, 4), "Tar.");
  EXPECT_EQ(checks[3].substr(0, 6), "UnZip.");
  EXPECT_NE(checks[0].find(" 0"), std::string::npos) << "mode 0";
  // Nobody accepts: false, the format stays, the path is taken all the same.
  std::string none = archive("none.arc", "ACCEPT=\n");
  EXPECT_FALSE(m.DetectFormat(none));
  EXPECT_EQ(m.Format(), kFormatZip);
  EXPECT_EQ(m.ArchivePath(), none);
}

TEST_F(ManagerTest, ListingNeedsAnOpenArchive) {
  useLibraries(kAllMin);
  CArchiveManager m;
  m.LoadLibraries();
  ASSERT_TRUE(m.DetectFormat(archive("list.arc", "ACCEPT=Unlha\nCOUNT=2\nNAMES=一覧\\表|b.txt\n")));
  archiver::ArcItemInfo info{};
  clearCalls();
  EXPECT_EQ(m.FindFirst("*.*", &info), -1);
  EXPECT_EQ(m.FindNext(&info), -1);
  EXPECT_TRUE(calls().empty()) << "nothing may reach the library before OpenArchive";
  EXPECT_EQ(m.GetFileCount(), 2);
  ASSERT_TRUE(m.OpenArchive(archiver::kOpenModeList));
  EXPECT_EQ(callsOf("OpenArchive").back().substr(callsOf("OpenArchive").back().rfind(' ') + 1), "4194306");
  ASSERT_EQ(m.FindFirst("*.*", &info), 0);
  EXPECT_STREQ(info.name, "一覧\\表");  // only the tar handler cuts names
  ASSERT_EQ(m.FindNext(&info), 0);
  EXPECT_STREQ(info.name, "b.txt");
  EXPECT_NE(m.FindNext(&info), 0);
  m.CloseArchive();
  clearCalls();
  EXPECT_EQ(m.FindFirst("*.*", &info), -1);
  EXPECT_TRUE(calls().empty());
}

TEST_F(ManagerTest, ResponseFileExistsDuringTheCallAndIsGoneAfterEvenOnFailure) {
  useLibraries(kAllMin);
  CArchiveManager m;
  m.LoadLibraries();
  std::string path = archive("x.lzh", "ACCEPT=Unlha\n");
  ASSERT_TRUE(m.DetectFormat(path));
  std::string res = ResponseFilePath("@Dexlor@@.res");
  for (const char* result : {"0", "7"}) {
    SetEnvironmentVariableA("FAKE_RESULT", result);
    clearCalls();
    ExtractOptions opt{1, 0, 1};
    EXPECT_EQ(m.Extract("\"a.txt\" ", "C:\\out\\", opt), "report of Unlha");
    EXPECT_EQ(callsOf("Command"), (std::vector<std::string>{"Unlha.Command @" + res}));
    EXPECT_EQ(callsOf(".Response exists"),
              (std::vector<std::string>{"Unlha.Response exists=1 e \"" + path + "\" \"C:\\out\\\" \"a.txt\"  -x1 -c1 -+ -a1"}));
    EXPECT_FALSE(exists(res)) << "result " << result;
  }
  // The ZIP handler puts only the names in the file and passes its own line.
  clearCalls();
  ASSERT_TRUE(m.DetectFormat(archive("z.zip", "ACCEPT=UnZip\n")));
  EXPECT_EQ(m.Extract("*.*", "C:\\z\\", ExtractOptions{1, 1, 0}), "report of UnZip");
  auto cmd = callsOf("Command");
  ASSERT_EQ(cmd.size(), 1u);
  EXPECT_EQ(cmd[0], "UnZip.Command -x -o  \"" + m.ArchivePath() + "\" \"C:\\z\\\" @" + res);
  EXPECT_EQ(callsOf(".Response exists"), (std::vector<std::string>{"UnZip.Response exists=1 *.*"}));
  EXPECT_FALSE(exists(res));
}

TEST_F(ManagerTest, TemporaryFolderEndingInATrailByte5CGetsItsBackslash) {
  useLibraries(kAllMin);
  std::string tmp = dir_ + "\\一覧表";  // 表 ends in 5C
  ASSERT_TRUE(CreateDirectoryA(tmp.c_str(), nullptr));
  char saved[MAX_PATH] = {};
  GetEnvironmentVariableA("TMP", saved, MAX_PATH);
  SetEnvironmentVariableA("TMP", tmp.c_str());
  std::string folder = TempFolder();
  std::string res = ResponseFilePath("@DexTar@@.res");
  CArchiveManager m;
  m.LoadLibraries();
  ASSERT_TRUE(m.DetectFormat(archive("t.tar", "ACCEPT=Tar\n")));
  clearCalls();
  m.Extract("\"a\" ", "D:\\", ExtractOptions{0, 0, 0});
  SetEnvironmentVariableA("TMP", saved[0] ? saved : nullptr);
  EXPECT_EQ(folder, tmp + "\\");
  EXPECT_EQ(res, tmp + "\\@DexTar@@.res");
  EXPECT_EQ(callsOf("Command"), (std::vector<std::string>{"Tar.Command @" + res}));
  ASSERT_EQ(callsOf(".Response exists").size(), 1u);
  EXPECT_EQ(callsOf(".Response exists")[0].substr(0, 20), "Tar.Response exists=");
  EXPECT_EQ(callsOf(".Response exists")[0][20], '1');
  EXPECT_FALSE(exists(res));
  RemoveDirectoryA(tmp.c_str());
}

class TarCheckFailure : public ManagerTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TarCheckFailure, CountsAsNotAnArchive) {
  useLibraries(kAllMin);
  CArchiveManager m;
  m.LoadLibraries();
  const char* how = GetParam();
  std::string path = archive(std::string(how) + ".arc", std::string("CHECK=") + how + "\nACCEPT=UnZip\n");
  EXPECT_EQ(m.Handler(kFormatTar)->CheckArchive(path, 0), 0);
  EXPECT_TRUE(m.DetectFormat(path));
  EXPECT_EQ(m.Format(), kFormatZip);
  EXPECT_EQ(callsOf("Tar.CheckArchive").size(), 2u) << ::testing::PrintToString(calls());
  // The guard leaves the process able to do it again, and normal checks still work.
  EXPECT_EQ(m.Handler(kFormatTar)->CheckArchive(path, 0), 0);
  EXPECT_TRUE(m.DetectFormat(archive("t.tar", "ACCEPT=Tar\n")));
  EXPECT_EQ(m.Format(), kFormatTar);
}

INSTANTIATE_TEST_SUITE_P(ExceptionAndFault, TarCheckFailure, ::testing::Values("throw", "fault"));

TEST_F(ManagerTest, TarKindIsStoredAtOpenAndOnlyTheFirstNameLosesItsFolders) {
  useLibraries(kAllMin);
  CArchiveManager m;
  m.LoadLibraries();
  EXPECT_EQ(m.FormatName(), "LHA");
  EXPECT_EQ(m.Handler(kFormatTar)->FormatName(), "") << "before any tar archive was opened";
  ASSERT_TRUE(m.DetectFormat(archive("k.tgz", "ACCEPT=Tar\nKIND=2\nCOUNT=3\nNAMES=usr\\share\\表|usr\\doc\\b|c\n")));
  ASSERT_TRUE(m.OpenArchive(archiver::kOpenModeList));
  EXPECT_EQ(m.FormatName(), "TAR.GZ(TGZ)");
  auto order = calls();
  ASSERT_GE(order.size(), 2u);
  EXPECT_EQ(order[order.size() - 2].substr(0, 18), "Tar.GetArchiveType");
  archiver::ArcItemInfo info{};
  ASSERT_EQ(m.FindFirst("*.*", &info), 0);
  EXPECT_STREQ(info.name, "表");
  ASSERT_EQ(m.FindNext(&info), 0);
  EXPECT_STREQ(info.name, "usr\\doc\\b");
  m.CloseArchive();

  ASSERT_TRUE(m.DetectFormat(archive("s.tar", "ACCEPT=Tar\nKIND=1\nCOUNT=1\nNAMES=usr/share/a\n")));
  ASSERT_TRUE(m.OpenArchive(archiver::kOpenModeList));
  ASSERT_EQ(m.FindFirst("*.*", &info), 0);
  EXPECT_STREQ(info.name, "usr/share/a");
  EXPECT_EQ(m.FormatName(), "TAR");
  m.CloseArchive();

  // The kind is kept even when the open fails.
  ASSERT_TRUE(m.DetectFormat(archive("b.bz2", "ACCEPT=Tar\nKIND=7\n")));
  EXPECT_FALSE(m.OpenArchive(archiver::kOpenModeList));
  EXPECT_EQ(m.FormatName(), "BZ2");
}

TEST_F(ManagerTest, EditingAndSelfExtractingBelongToLhaAndCabOnly) {
  useLibraries(kAllMin);
  CArchiveManager m;
  m.LoadLibraries();
  ASSERT_TRUE(m.DetectFormat(archive("t.tar", "ACCEPT=Tar\n")));
  clearCalls();
  EXPECT_FALSE(m.CanEdit());
  EXPECT_EQ(m.MakeSfx("C:\\", kSfxWin95), "");
  EXPECT_EQ(m.DeleteEntries(" \"a\""), "");
  EXPECT_FALSE(m.RenameEntry("a", "b"));
  EXPECT_TRUE(calls().empty());
  ASSERT_TRUE(m.DetectFormat(archive("c.cab", "ACCEPT=Cab\n")));
  clearCalls();
  EXPECT_EQ(m.MakeSfx("C:\\sfx\\", kSfxDos), "report of Cab");
  EXPECT_EQ(callsOf("Command"), (std::vector<std::string>{"Cab.Command -f \"" + m.ArchivePath() + "\" \"C:\\sfx\\\" "}));
  // Cabinets make self-extracting archives but are not edited.
  EXPECT_FALSE(m.CanEdit());
  clearCalls();
  EXPECT_EQ(m.DeleteEntries(" \"a\""), "");
  EXPECT_FALSE(m.RenameEntry("a", "b"));
  EXPECT_TRUE(calls().empty());
  ASSERT_TRUE(m.DetectFormat(archive("l.lzh", "ACCEPT=Unlha\n")));
  EXPECT_TRUE(m.CanEdit());
  clearCalls();
  SetEnvironmentVariableA("FAKE_RESULT", "0");
  EXPECT_TRUE(m.RenameEntry("a.txt", "b.txt"));
  SetEnvironmentVariableA("FAKE_RESULT", "1");
  EXPECT_FALSE(m.RenameEntry("a.txt", ""));
  EXPECT_EQ(callsOf("Command"),
            (std::vector<std::string>{"Unlha.Command n \"" + m.ArchivePath() + "\" \"a.txt\" -pn -gr\"b.txt\"",
                                      "Unlha.Command n \"" + m.ArchivePath() + "\" \"a.txt\" -pn -+ -a1"}));
}

TEST_F(ManagerTest, WorkExtractionAndTheNeutralResultsWithoutAFormat) {
  useLibraries(kAllMin);
  CArchiveManager m;
  m.SetWorkFolder("C:\\work\\");
  m.LoadLibraries();
  ASSERT_TRUE(m.DetectFormat(archive("w.cab", "ACCEPT=Cab\n")));
  clearCalls();
  EXPECT_TRUE(m.ExtractToWork("\"dir\\a.txt\""));
  EXPECT_EQ(callsOf("Command"),
            (std::vector<std::string>{"Cab.Command -x \"" + m.ArchivePath() + "\" \"C:\\work\\\" \"dir\\a.txt\" -j -i -o "}));
  m.SetFormat(9);  // none current
  clearCalls();
  archiver::ArcItemInfo info{};
  char out[16];
  EXPECT_FALSE(m.ExtractToWork("\"a\""));
  EXPECT_EQ(m.GetFileCount(), -1);
  EXPECT_FALSE(m.OpenArchive(archiver::kOpenModeList));
  EXPECT_EQ(m.FindFirst("*.*", &info), -1);
  EXPECT_EQ(m.RunCommand("l x", out, sizeof out), -1);
  EXPECT_EQ(m.Extract("*.*", "C:\\", ExtractOptions{}), "");
  EXPECT_EQ(m.MakeSfx("C:\\", kSfxWin95), "");
  EXPECT_FALSE(m.CanEdit());
  EXPECT_EQ(m.DeleteEntries(" \"a\""), "");
  EXPECT_FALSE(m.RenameEntry("a", "b"));
  EXPECT_EQ(m.FormatName(), "");
  EXPECT_TRUE(calls().empty());
}

TEST_F(ManagerTest, AbsentLibraryIsNeverChosenAndNeverCalled) {
  useLibraries({"min/UNZIP32.DLL"});
  CArchiveManager m;
  m.LoadLibraries();
  // format is LHA from construction on, before any detection: an absent LHA library answers neutrally.
  EXPECT_EQ(m.Format(), kFormatLha);
  EXPECT_EQ(m.Extract("*.*", "C:\\", ExtractOptions{}), "");
  EXPECT_EQ(m.DeleteEntries(" \"a\""), "") << "no question is asked either";
  EXPECT_FALSE(m.RenameEntry("a", "b"));
  EXPECT_EQ(m.FormatName(), "");
  EXPECT_EQ(m.BuildWorkExtractCommand("\"a\"").substr(0, 3), "e \"") << "built whether or not the library is there";
  EXPECT_TRUE(m.DetectFormat(archive("z.zip", "ACCEPT=Unlha,UnZip\n")));
  EXPECT_EQ(m.Format(), kFormatZip);
}

TEST_F(ManagerTest, LibrariesAreFreedInTheOrderCabTarZipLha) {
  useLibraries(kAllMin);
  {
    CArchiveManager m;
    m.LoadLibraries();
    clearCalls();
  }
  std::vector<std::string> unloads;
  for (auto& c : calls())
    if (c.find(".Unload") != std::string::npos) unloads.push_back(c.substr(0, c.find('.')));
  EXPECT_EQ(unloads, (std::vector<std::string>{"Cab", "Tar", "UnZip", "Unlha"}));
}

}  // namespace
