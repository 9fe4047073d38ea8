// The installer's tables and steps apart from its dialog: the registry entries
// in order (written into a sandbox key), the folder rule, copying and shortcuts.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "install_layout.h"
#include "temp_folder.h"
#include "install_steps.h"

namespace fs = std::filesystem;

namespace {

const char kSandbox[] = "Software\\PakdexInstallTest";

std::string rootName(HKEY root) { return root == HKEY_LOCAL_MACHINE ? "HKLM" : root == HKEY_CLASSES_ROOT ? "HKCR" : "?"; }


TEST(InstallLayout, RegistryEntriesPointIntoTheSystemDirectoryAndNameTheFolderAsGiven) {
  auto e = install::registryEntries("C:\\WINDOWS\\system32", "D:\\表");
  ASSERT_EQ(e.size(), 9u);
  EXPECT_EQ(e[0].value, "DisplayName");
  EXPECT_EQ(e[0].data, "Pakmo & Dexlor");
  EXPECT_EQ(e[1].data, "C:\\WINDOWS\\system32\\pduninstall.exe");
  EXPECT_EQ(e[2].key, "Software\\Varn Software\\Pakmo");
  EXPECT_EQ(e[2].data, "D:\\表");
  const char* handlers[] = {"*", "Directory", "Drive"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(e[3 + i].root, HKEY_CLASSES_ROOT);
    EXPECT_EQ(e[3 + i].key, std::string(handlers[i]) + "\\shellex\\ContextMenuHandlers\\LHAMenu");
    EXPECT_EQ(e[3 + i].value, "");
    EXPECT_EQ(e[3 + i].data, "{1BCFCF41-8841-11d0-9633-444553540000}");
  }
  EXPECT_EQ(e[6].data, "Shell Extension for Pakmo");
  EXPECT_EQ(e[7].key, "CLSID\\{1BCFCF41-8841-11d0-9633-444553540000}\\InProcServer32");
  EXPECT_EQ(e[7].data, "C:\\WINDOWS\\system32\\pkshlext.dll");
  EXPECT_EQ(e[8].value, "ThreadingModel");
  EXPECT_EQ(e[8].data, "Apartment");
}

class RegistrySandbox : public ::testing::Test {
 protected:
  void TearDown() override { reg::deleteTree(HKEY_CURRENT_USER, kSandbox); }
  // Keys land under HKCU\<sandbox>\<root>\<path>; `failAt` cannot be created.
  install::CreateKey creator(const std::string& failAt) {
    return [this, failAt](HKEY root, const std::string& path) {
      created_.push_back(rootName(root) + "\\" + path);
      if (path == failAt) return reg::Key();
      return reg::Key::create(HKEY_CURRENT_USER, std::string(kSandbox) + "\\" + rootName(root) + "\\" + path);
    };
  }
  static std::optional<std::string> stored(const std::string& path, const std::string& value) {
    reg::Key key = reg::Key::open(HKEY_CURRENT_USER, std::string(kSandbox) + "\\" + path);
    if (!key) return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::string bytes(size, '\0');
    RegQueryValueExA(key.get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_TRUE(!bytes.empty() && bytes.back() == '\0') << "the stored length counts the terminator";
    bytes.pop_back();
    return bytes;
  }
  std::vector<std::string> created_;
};

TEST_F(RegistrySandbox, EntriesAreWrittenInOrderAndTheFirstKeyThatFailsEndsTheStep) {
  auto entries = install::registryEntries("C:\\sys", "C:\\Pakdex");
  ASSERT_TRUE(install::writeRegistry(entries, creator("")));
  ASSERT_EQ(created_.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(created_[i], rootName(entries[i].root) + "\\" + entries[i].key);
    EXPECT_EQ(stored(rootName(entries[i].root) + "\\" + entries[i].key, entries[i].value), entries[i].data);
  }
  reg::deleteTree(HKEY_CURRENT_USER, kSandbox);
  created_.clear();

  EXPECT_FALSE(install::writeRegistry(entries, creator("Directory\\shellex\\ContextMenuHandlers\\LHAMenu")));
  EXPECT_EQ(created_.size(), 5u) << "nothing after the failing key is tried";
  EXPECT_EQ(stored("HKCR\\*\\shellex\\ContextMenuHandlers\\LHAMenu", ""), "{1BCFCF41-8841-11d0-9633-444553540000}")
      << "entries before it stay";
  EXPECT_EQ(stored("HKLM\\Software\\Varn Software\\Pakmo", "Install Folder"), "C:\\Pakdex");
  EXPECT_EQ(stored("HKCR\\CLSID\\{1BCFCF41-8841-11d0-9633-444553540000}", ""), std::nullopt);
}

TEST(InstallFolder, OneTrailingBackslashGoesAndADoubleByteCharacterStaysWhole) {
  EXPECT_EQ(install::trimFolder("C:\\Program files\\Pakdex\\"), "C:\\Program files\\Pakdex");
  EXPECT_EQ(install::trimFolder("C:\\Pakdex"), "C:\\Pakdex");
  EXPECT_EQ(install::trimFolder("C:\\Pakdex\\\\"), "C:\\Pakdex\\");
  // 表 is 95 5C: its second byte is not a backslash.
  EXPECT_EQ(install::trimFolder("C:\\表"), "C:\\表");
  EXPECT_EQ(install::trimFolder("C:\\表\\"), "C:\\表");
  EXPECT_EQ(install::trimFolder("\\"), "");
  EXPECT_EQ(install::trimFolder(""), "");
}

class ShellSteps : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    src_ = install_test::tempFolder("pdinstall_src", false);
    dst_ = install_test::tempFolder("pdinstall_dst", false);
    fs::create_directories(src_);
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    cwd_ = cwd;
    SetCurrentDirectoryA(src_.c_str());
  }
  void TearDown() override {
    SetCurrentDirectoryA(cwd_.c_str());
    std::error_code ec;
    fs::remove_all(src_, ec);
    fs::remove_all(dst_, ec);
    OleUninitialize();
  }
  std::string src_, dst_, cwd_;
};

TEST_F(ShellSteps, CopyMakesTheFolderOverwritesAndFailsOnAMissingSource) {
  std::ofstream(src_ + "\\one.txt") << "new";
  std::ofstream(src_ + "\\おまけ.txt") << "extra";
  fs::create_directories(dst_);
  std::ofstream(dst_ + "\\one.txt") << "old";
  std::string target = dst_ + "\\sub\\deeper";
  EXPECT_TRUE(install::copyFiles(nullptr, {"one.txt", "おまけ.txt"}, target));
  std::ifstream copied(target + "\\おまけ.txt");
  std::string text;
  copied >> text;
  EXPECT_EQ(text, "extra");
  EXPECT_TRUE(install::copyFiles(nullptr, {"one.txt"}, dst_));
  std::ifstream over(dst_ + "\\one.txt");
  over >> text;
  EXPECT_EQ(text, "new") << "an existing file is overwritten without a question";
  EXPECT_FALSE(install::copyFiles(nullptr, {"one.txt", "missing.txt"}, dst_ + "\\third"));
}

TEST_F(ShellSteps, ShortcutsResolveToTheirTargetsWithTheirDescriptions) {
  fs::create_directories(dst_);
  std::ofstream(src_ + "\\Pakmo.exe") << "x";
  std::string link = dst_ + "\\Pakmo.lnk";
  ASSERT_TRUE(install::createShortcut(link, src_ + "\\Pakmo.exe", "Pakmoへのｼｮｰﾄｶｯﾄ"));
  IShellLinkA* shellLink = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&shellLink))));
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  std::wstring wlink(link.begin(), link.end());
  ASSERT_TRUE(SUCCEEDED(file->Load(wlink.c_str(), STGM_READ)));
  char target[MAX_PATH] = {}, description[MAX_PATH] = {};
  shellLink->GetPath(target, MAX_PATH, nullptr, 0);
  shellLink->GetDescription(description, MAX_PATH);
  EXPECT_STREQ(target, (src_ + "\\Pakmo.exe").c_str());
  EXPECT_STREQ(description, "Pakmoへのｼｮｰﾄｶｯﾄ");
  file->Release();
  shellLink->Release();
  EXPECT_FALSE(install::createShortcut(dst_ + "\\no such folder\\x.lnk", src_ + "\\Pakmo.exe", "d"));
}

}  // namespace

namespace {

// The release folder's list (tools/release, the end-to-end test) and the
// installer's own tables name the same files for the same places.
TEST(InstallLayout, TheReleaseListMatchesWhatTheInstallerCopies) {
  std::ifstream in(RELEASE_FILES);
  ASSERT_TRUE(in) << RELEASE_FILES;
  std::vector<std::string> folder, system, library, installer;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string file, target, where;
    fields >> file >> target >> where;
    // The list is UTF-8; the installer's names are Shift-JIS.
    int n = MultiByteToWideChar(CP_UTF8, 0, file.c_str(), -1, nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, file.c_str(), -1, w.data(), n);
    char ansi[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, ansi, MAX_PATH, nullptr, nullptr);
    (where == "folder" ? folder : where == "system" ? system : where == "library" ? library : installer).push_back(ansi);
  }
  EXPECT_EQ(folder, install::installFolderFiles());
  EXPECT_EQ(system, install::systemFiles());
  EXPECT_EQ(library, install::archiverLibraries());
  EXPECT_EQ(installer, std::vector<std::string>{"pdinstall.exe"});
}

}  // namespace
