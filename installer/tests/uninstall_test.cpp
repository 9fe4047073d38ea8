// pduninstall's removal: files by the installer's lists (others stay), the
// folder only when empty, in-use files reported, registry entries and file
// classes only while they are ours.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "associations.h"
#include "install_layout.h"
#include "temp_folder.h"
#include "registry.h"
#include "uninstall.h"

namespace fs = std::filesystem;

namespace {


bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool keyExists(HKEY root, const std::string& path) { return static_cast<bool>(reg::Key::open(root, path)); }

void writeDefault(HKEY root, const std::string& path, const std::string& value) {
  reg::Key key = reg::Key::create(root, path);
  ASSERT_TRUE(key);
  ASSERT_TRUE(key.setString("", value));
}

const char kPending[] = "System\\CurrentControlSet\\Control\\Session Manager";

TEST(UninstallFiles, TheInstalledFilesGoOthersStayAndTheFolderGoesOnlyWhenEmpty) {
  std::string folder = install_test::tempFolder("pdun_folder", true), sys = install_test::tempFolder("pdun_sys", true);
  for (const std::string& n : install::installFolderFiles()) std::ofstream(folder + "\\" + n) << "x";
  std::ofstream(folder + "\\UNLHA32.DLL") << "x";
  std::ofstream(folder + "\\my notes.txt") << "mine";
  for (const std::string& n : install::systemFiles()) std::ofstream(sys + "\\" + n) << "x";
  std::ofstream(sys + "\\kernel32.dll") << "x";

  uninstall::Outcome out = uninstall::removeFiles(folder, sys);
  EXPECT_TRUE(out.atRestart.empty());
  EXPECT_TRUE(out.left.empty());
  for (const std::string& n : install::installFolderFiles()) EXPECT_FALSE(exists(folder + "\\" + n)) << n;
  EXPECT_FALSE(exists(folder + "\\UNLHA32.DLL"));
  for (const std::string& n : install::systemFiles()) EXPECT_FALSE(exists(sys + "\\" + n)) << n;
  EXPECT_TRUE(exists(folder + "\\my notes.txt")) << "a file of the user's stays, and with it the folder";
  EXPECT_TRUE(exists(sys + "\\kernel32.dll"));

  DeleteFileA((folder + "\\my notes.txt").c_str());
  std::ofstream(folder + "\\Dexlor.exe") << "x";
  out = uninstall::removeFiles(folder, "");
  EXPECT_FALSE(exists(folder)) << "emptied, the folder goes too";
  EXPECT_TRUE(uninstall::report(out).empty());
  fs::remove_all(sys);
}

TEST(UninstallFiles, AFileInUseIsNamedInTheReport) {
  std::string folder = install_test::tempFolder("pdun_busy", true);
  std::string busy = folder + "\\Dexlor.exe";
  std::ofstream(busy) << "x";
  // Open without delete sharing, as a running program holds its file.
  HANDLE h = CreateFileA(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::optional<std::string> pendingBefore;
  if (reg::Key k = reg::Key::open(HKEY_LOCAL_MACHINE, kPending)) {
    DWORD size = 0;
    if (RegQueryValueExA(k.get(), "PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS)
      pendingBefore = "";
  }

  uninstall::Outcome out = uninstall::removeFiles(folder, "");
  CloseHandle(h);
  ASSERT_EQ(out.atRestart.size() + out.left.size(), 1u);
  std::string named = out.atRestart.empty() ? out.left[0] : out.atRestart[0];
  EXPECT_EQ(named, busy);
  std::string text = uninstall::report(out);
  EXPECT_NE(text.find(busy), std::string::npos) << text;
  EXPECT_NE(text.find("使用中"), std::string::npos) << text;
  EXPECT_TRUE(exists(folder)) << "the folder still holds the file";

  // Leave the prefix without our pending removal.
  if (!pendingBefore)
    if (reg::Key k = reg::Key::open(HKEY_LOCAL_MACHINE, kPending, KEY_SET_VALUE))
      RegDeleteValueA(k.get(), "PendingFileRenameOperations");
  fs::remove_all(folder);
}

class UninstallRegistry : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const char* key : {".lzh", ".zip", "LHA_ARCHIVE_FILE", "ZIP_ARCHIVE_FILE"}) reg::deleteTree(HKEY_CLASSES_ROOT, key);
    reg::deleteTree(HKEY_LOCAL_MACHINE, install::kUninstallKey);
    reg::deleteTree(HKEY_LOCAL_MACHINE, install::kVendorKey);
    for (const std::string& h : install::handlerKeys()) reg::deleteTree(HKEY_CLASSES_ROOT, h);
    reg::deleteTree(HKEY_CLASSES_ROOT, install::kClassKey);
  }
};

TEST_F(UninstallRegistry, EveryEntryOfTheInstallerGoesButAHandlerOfAnotherProgramStays) {
  ASSERT_TRUE(install::writeRegistry(install::registryEntries("C:\\windows\\system32", "C:\\Pakdex")));
  writeDefault(HKEY_LOCAL_MACHINE, std::string(install::kVendorKey) + "\\Other", "another program of the vendor");
  // Another program took the drive handler's name since.
  writeDefault(HKEY_CLASSES_ROOT, "Drive\\shellex\\ContextMenuHandlers\\LHAMenu", "{00000000-0000-0000-0000-000000000001}");
  EXPECT_EQ(uninstall::installedFolder(), "C:\\Pakdex");

  uninstall::removeRegistry();
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, install::kUninstallKey));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, install::kPakmoKey));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, std::string(install::kVendorKey) + "\\Other"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "*\\shellex\\ContextMenuHandlers\\LHAMenu"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "Directory\\shellex\\ContextMenuHandlers\\LHAMenu"));
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, "Drive\\shellex\\ContextMenuHandlers\\LHAMenu"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, install::kClassKey));
  EXPECT_EQ(uninstall::installedFolder(), "");
}

TEST_F(UninstallRegistry, FileClassesThatOpenDexlorGoWithTheirExtensionsOthersStay) {
  ASSERT_TRUE(assoc::applyAssociations({1, 0, 0, 0}, "C:\\Pakdex\\"));
  ASSERT_TRUE(keyExists(HKEY_CLASSES_ROOT, "LHA_ARCHIVE_FILE\\shell\\open\\command"));
  writeDefault(HKEY_CLASSES_ROOT, ".zip", "ZIP_ARCHIVE_FILE");
  writeDefault(HKEY_CLASSES_ROOT, "ZIP_ARCHIVE_FILE\\shell\\open\\command", "\"C:\\Other\\zipper.exe\" \"%1\"");

  uninstall::removeFileClasses();
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, ".lzh"));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "LHA_ARCHIVE_FILE"));
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, ".zip"));
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, "ZIP_ARCHIVE_FILE\\shell\\open\\command"));
}

}  // namespace
