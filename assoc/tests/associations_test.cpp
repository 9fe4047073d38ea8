// The registry work of DexOption on the real registry of the test prefix:
// what associating writes, byte for byte; what removal takes away and what it
// leaves; the install folder; a key that cannot be created.
#include "associations.h"

#include <gtest/gtest.h>

#include "registry.h"
#include "registry_state.h"
#include "proc_address.h"

namespace {

using namespace assoc_test;
using assoc::Flags;

const HKEY HKCR = HKEY_CLASSES_ROOT;

std::string sz(const std::string& s) { return s + '\0'; }

void expectDefault(const std::string& key, const std::string& value) {
  auto d = storedDefault(HKCR, key);
  ASSERT_TRUE(d) << key;
  EXPECT_EQ(d->type, static_cast<DWORD>(REG_SZ)) << key;
  EXPECT_EQ(d->bytes, sz(value)) << key;
}

void expectTypeAssociated(const assoc::ArchiveType& t, const std::string& command, const std::string& icon) {
  std::string cls = t.classKey;
  for (const char* ext : t.extensions) {
    expectDefault(ext, cls);
    EXPECT_EQ(valueCount(HKCR, ext), 1u) << ext;
    EXPECT_EQ(keyClass(HKCR, ext), "Class") << ext;
  }
  expectDefault(cls, t.description);
  expectDefault(cls + "\\shell\\open\\command", command);
  expectDefault(cls + "\\DefaultIcon", icon);
  EXPECT_EQ(valueCount(HKCR, cls), 1u);
  EXPECT_EQ(valueCount(HKCR, cls + "\\shell"), 0u);
  EXPECT_EQ(valueCount(HKCR, cls + "\\shell\\open"), 0u);
  for (const std::string& k : {cls, cls + "\\shell\\open\\command", cls + "\\DefaultIcon"})
    EXPECT_EQ(keyClass(HKCR, k), "Class") << k;
}

void expectTypeAbsent(const assoc::ArchiveType& t) {
  EXPECT_FALSE(keyExists(HKCR, t.classKey)) << t.classKey;
  for (const char* ext : t.extensions) EXPECT_FALSE(keyExists(HKCR, ext)) << ext;
}

const assoc::ArchiveType& type(int i) { return assoc::archiveTypes()[i]; }

class Associations : public RegistryFixture {};

TEST_F(Associations, EachTypeAloneWritesEveryKeyAndValue) {
  const std::string folder = "C:\\Program Files\\Pakmo\\";
  const std::string command = "\"C:\\Program Files\\Pakmo\\dexlor.exe\" \"%1\"";
  const char* icons[] = {"C:\\Program Files\\Pakmo\\dexlor.exe,1", "C:\\Program Files\\Pakmo\\Dexlor.exe,3",
                         "C:\\Program Files\\Pakmo\\dexlor.exe,2", "C:\\Program Files\\Pakmo\\dexlor.exe,4"};
  for (int i = 0; i < assoc::kTypeCount; i++) {
    SCOPED_TRACE(type(i).classKey);
    Flags flags{};
    flags[i] = 1;
    ASSERT_TRUE(assoc::applyAssociations(flags, folder));
    expectTypeAssociated(type(i), command, icons[i]);
    for (int j = 0; j < assoc::kTypeCount; j++)
      if (j != i) expectTypeAbsent(type(j));
    // Clearing the flag again takes away everything it wrote.
    ASSERT_TRUE(assoc::applyAssociations(Flags{}, folder));
    expectTypeAbsent(type(i));
  }
}

TEST_F(Associations, TypesTablesAreTheDocumentedOnes) {
  std::vector<std::string> classes;
  for (const auto& t : assoc::archiveTypes()) classes.push_back(t.classKey);
  EXPECT_EQ(classes, (std::vector<std::string>{"LHA_ARCHIVE_FILE", "CAB_ARCHIVE_FILE", "TAR_ARCHIVE_FILE",
                                               "ZIP_ARCHIVE_FILE"}));
  EXPECT_EQ(type(assoc::kLha).description, std::string("LHA書庫ﾌｧｲﾙ"));
  EXPECT_EQ(type(assoc::kCab).description, std::string("ｷｬﾋﾞﾈｯﾄﾌｧｲﾙ"));
  EXPECT_EQ(type(assoc::kTar).description, std::string("Tarﾌｧｲﾙ"));
  EXPECT_EQ(type(assoc::kZip).description, std::string("Zipﾌｧｲﾙ"));
  std::vector<std::string> tar(type(assoc::kTar).extensions.begin(), type(assoc::kTar).extensions.end());
  EXPECT_EQ(tar, (std::vector<std::string>{".tar", ".bz2", ".gz", ".taz", ".tgz", ".tz", ".z"}));
}

TEST_F(Associations, RemovalLeavesATypeWhoseExtensionPointsElsewhere) {
  ASSERT_TRUE(assoc::applyAssociations({1, 1, 0, 1}, "C:\\P\\"));
  setDefault(HKCR, ".lzh", "OtherArchiver.lzh");
  setDefault(HKCR, ".zip", "CompressedFolder");
  RegDeleteValueA(reg::Key::open(HKCR, ".cab", KEY_ALL_ACCESS).get(), "");  // no default value at all
  ASSERT_TRUE(assoc::applyAssociations(Flags{}, "C:\\P\\"));
  expectDefault(".lzh", "OtherArchiver.lzh");
  expectDefault(".zip", "CompressedFolder");
  EXPECT_TRUE(keyExists(HKCR, ".cab"));
  for (int i : {assoc::kLha, assoc::kCab, assoc::kZip}) {
    std::string cls = type(i).classKey;
    EXPECT_TRUE(keyExists(HKCR, cls + "\\shell\\open\\command")) << cls;
    EXPECT_TRUE(keyExists(HKCR, cls + "\\DefaultIcon")) << cls;
  }
}

TEST_F(Associations, RemovalComparesTheClassNameWithoutCase) {
  ASSERT_TRUE(assoc::applyAssociations({1, 0, 0, 0}, ""));
  setDefault(HKCR, ".lzh", "lha_Archive_File");
  ASSERT_TRUE(assoc::applyAssociations(Flags{}, ""));
  expectTypeAbsent(type(assoc::kLha));
}

TEST_F(Associations, TarRemovalTakesOnlyItsOwnExtensionsAndTheClass) {
  ASSERT_TRUE(assoc::applyAssociations({0, 0, 1, 0}, ""));
  for (const char* ext : type(assoc::kTar).extensions)
    if (std::string(ext) != ".tgz") setDefault(HKCR, ext, "Other.File");
  ASSERT_TRUE(assoc::applyAssociations(Flags{}, ""));
  EXPECT_FALSE(keyExists(HKCR, ".tgz"));
  EXPECT_FALSE(keyExists(HKCR, "TAR_ARCHIVE_FILE"));
  for (const char* ext : type(assoc::kTar).extensions)
    if (std::string(ext) != ".tgz") expectDefault(ext, "Other.File");
}

TEST_F(Associations, TarClassStaysWhenNoExtensionIsOurs) {
  ASSERT_TRUE(assoc::applyAssociations({0, 0, 1, 0}, ""));
  for (const char* ext : type(assoc::kTar).extensions) setDefault(HKCR, ext, "Other.File");
  ASSERT_TRUE(assoc::applyAssociations(Flags{}, ""));
  EXPECT_TRUE(keyExists(HKCR, "TAR_ARCHIVE_FILE\\shell\\open\\command"));
  for (const char* ext : type(assoc::kTar).extensions) expectDefault(ext, "Other.File");
}

TEST_F(Associations, CurrentAssociationsFollowTheClassKeysNotTheExtensions) {
  EXPECT_EQ(assoc::currentAssociations(), (Flags{0, 0, 0, 0}));
  setDefault(HKCR, ".zip", "ZIP_ARCHIVE_FILE");  // extension alone: not associated
  setDefault(HKCR, "CAB_ARCHIVE_FILE", "left behind");  // class alone: associated
  setDefault(HKCR, "TAR_ARCHIVE_FILE", "x");
  EXPECT_EQ(assoc::currentAssociations(), (Flags{0, 1, 1, 0}));
}

TEST_F(Associations, ExistingClassWithForeignExtensionIsRewrittenOnAssociate) {
  setDefault(HKCR, "LHA_ARCHIVE_FILE", "old");
  setDefault(HKCR, ".lzh", "OtherArchiver.lzh");
  ASSERT_TRUE(assoc::applyAssociations({1, 0, 0, 0}, "D:\\"));
  expectTypeAssociated(type(assoc::kLha), "\"D:\\dexlor.exe\" \"%1\"", "D:\\dexlor.exe,1");
}

class InstallFolder : public RegistryFixture {};

TEST_F(InstallFolder, MissingKeyOrValueGivesTheBareProgramFile) {
  setInstallFolder(std::nullopt);
  EXPECT_EQ(assoc::readInstallFolder(), "");
  setInstallFolder("C:\\x\\");
  RegDeleteValueA(reg::Key::open(HKEY_LOCAL_MACHINE, "Software\\Varn Software\\Pakmo", KEY_ALL_ACCESS).get(),
                  "Install Folder");
  EXPECT_EQ(assoc::readInstallFolder(), "");

  ASSERT_TRUE(assoc::applyAssociations({1, 1, 0, 0}, assoc::readInstallFolder()));
  expectTypeAssociated(type(assoc::kLha), "\"dexlor.exe\" \"%1\"", "dexlor.exe,1");
  expectTypeAssociated(type(assoc::kCab), "\"dexlor.exe\" \"%1\"", "Dexlor.exe,3");
}

TEST_F(InstallFolder, WithoutOneTheClassNamesTheDexlorBesideTheRunningProgram) {
  setInstallFolder(std::nullopt);
  // The test program lies in bin\ beside Dexlor.exe, as Dexlor itself does.
  const std::string folder = assoc::dexlorFolder(nullptr);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_EQ(folder.find(':'), 1u) << "a whole path: " << folder;
  ASSERT_TRUE(assoc::applyAssociations({1, 0, 0, 0}, folder));
  const std::string command = reg::Key::open(HKEY_CLASSES_ROOT, "LHA_ARCHIVE_FILE\\shell\\open\\command").getString("").value_or("");
  ASSERT_EQ(command.rfind("\"", 0), 0u) << command;
  const std::string program = command.substr(1, command.find('"', 1) - 1);
  EXPECT_NE(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES) << "names a program that exists: " << command;
  const std::string icon = reg::Key::open(HKEY_CLASSES_ROOT, "LHA_ARCHIVE_FILE\\DefaultIcon").getString("").value_or("");
  EXPECT_EQ(icon, folder + "dexlor.exe,1");
  // An install folder, when there is one, still wins.
  setInstallFolder("C:\\Pakmo");
  EXPECT_EQ(assoc::dexlorFolder(nullptr), "C:\\Pakmo\\");
}

TEST_F(InstallFolder, TrailingBackslashIsAddedOnceAndWholeCharactersCount) {
  setInstallFolder("C:\\Pakmo");
  EXPECT_EQ(assoc::readInstallFolder(), "C:\\Pakmo\\");
  setInstallFolder("C:\\Pakmo\\");
  EXPECT_EQ(assoc::readInstallFolder(), "C:\\Pakmo\\");
  // "表" ends in byte 5C in Shift-JIS: it is not a backslash.
  setInstallFolder("C:\\表");
  EXPECT_EQ(assoc::readInstallFolder(), "C:\\表\\");
  setInstallFolder("E:\\Tools");
  ASSERT_TRUE(assoc::applyAssociations({0, 0, 0, 1}, assoc::readInstallFolder()));
  expectTypeAssociated(type(assoc::kZip), "\"E:\\Tools\\dexlor.exe\" \"%1\"", "E:\\Tools\\dexlor.exe,4");
}

TEST_F(InstallFolder, ValueLongerThan260BytesCountsAsMissing) {
  setInstallFolder("C:\\" + std::string(256, 'a'));  // 259 bytes and the terminator
  EXPECT_EQ(assoc::readInstallFolder().size(), 260u);
  setInstallFolder("C:\\" + std::string(257, 'a'));
  EXPECT_EQ(assoc::readInstallFolder(), "");
}

// Makes `path` under HKCR a symbolic link to a key whose parent does not exist:
// creating or opening `path` then fails in the registry itself. (A key whose
// access list forbids opening it would do on Windows, but Wine ignores it.)
class DanglingLink {
 public:
  explicit DanglingLink(const char* path) {
    if (RegCreateKeyExA(HKCR, path, 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &link_, nullptr) != ERROR_SUCCESS)
      return;
    const std::wstring target = L"\\Registry\\Machine\\Software\\Classes\\NoSuchDexOptionParent\\Key";
    ok_ = RegSetValueExW(link_, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                         static_cast<DWORD>(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  ~DanglingLink() {
    // RegDeleteKey would follow the link; the link itself goes through NtDeleteKey.
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    auto del = procAddress<NtDeleteKeyFn>(GetModuleHandleA("ntdll.dll"), "NtDeleteKey");
    if (link_ && del) del(link_);
    if (link_) RegCloseKey(link_);
  }
  bool made() const { return ok_; }

 private:
  HKEY link_ = nullptr;
  bool ok_ = false;
};

TEST_F(Associations, RegistryFailureToCreateCabLeavesLhaAndDoesNothingForTheRest) {
  ASSERT_TRUE(assoc::applyAssociations({0, 0, 1, 0}, "C:\\Old\\"));
  {
    DanglingLink link(".cab");
    ASSERT_TRUE(link.made());
    ASSERT_FALSE(reg::Key::create(HKCR, ".cab"));
    EXPECT_FALSE(assoc::applyAssociations({1, 1, 0, 1}, "C:\\New\\"));
  }
  EXPECT_FALSE(keyExists(HKCR, ".cab")) << "the link is gone";
  expectTypeAssociated(type(assoc::kLha), "\"C:\\New\\dexlor.exe\" \"%1\"", "C:\\New\\dexlor.exe,1");
  EXPECT_FALSE(keyExists(HKCR, "CAB_ARCHIVE_FILE"));
  // TAR was to be removed and ZIP written: neither happened.
  expectTypeAssociated(type(assoc::kTar), "\"C:\\Old\\dexlor.exe\" \"%1\"", "C:\\Old\\dexlor.exe,2");
  expectTypeAbsent(type(assoc::kZip));
}

// Creates keys like the default but fails for one path, and records the order.
assoc::CreateKey failingFor(const std::string& denied, std::vector<std::string>* created) {
  return [denied, created](const std::string& path) {
    if (path == denied) return reg::Key();
    created->push_back(path);
    return reg::Key::create(HKEY_CLASSES_ROOT, path);
  };
}

TEST_F(Associations, InjectedFailureOnCabStopsAfterExactlyTheLhaKeys) {
  // TAR associated before: with the run stopped at ".cab" it is not removed either.
  ASSERT_TRUE(assoc::applyAssociations({0, 0, 1, 0}, "C:\\Old\\"));
  std::vector<std::string> created;
  EXPECT_FALSE(assoc::applyAssociations({1, 1, 0, 1}, "C:\\New\\", failingFor(".cab", &created)));
  EXPECT_EQ(created, (std::vector<std::string>{".lzh", "LHA_ARCHIVE_FILE", "LHA_ARCHIVE_FILE\\shell\\open\\command",
                                               "LHA_ARCHIVE_FILE\\DefaultIcon"}));
  expectTypeAssociated(type(assoc::kLha), "\"C:\\New\\dexlor.exe\" \"%1\"", "C:\\New\\dexlor.exe,1");
  EXPECT_FALSE(keyExists(HKCR, ".cab"));
  EXPECT_FALSE(keyExists(HKCR, "CAB_ARCHIVE_FILE"));
  expectTypeAssociated(type(assoc::kTar), "\"C:\\Old\\dexlor.exe\" \"%1\"", "C:\\Old\\dexlor.exe,2");
  expectTypeAbsent(type(assoc::kZip));
}

TEST_F(Associations, KeysAreCreatedInTableOrderAndAFailureInsideATypeStopsItThere) {
  std::vector<std::string> created;
  ASSERT_TRUE(assoc::applyAssociations({1, 1, 1, 1}, "", failingFor("", &created)));
  std::vector<std::string> expected;
  for (const auto& t : assoc::archiveTypes()) {
    std::string cls = t.classKey;
    expected.insert(expected.end(), t.extensions.begin(), t.extensions.end());
    for (const std::string& k : {cls, cls + "\\shell\\open\\command", cls + "\\DefaultIcon"}) expected.push_back(k);
  }
  EXPECT_EQ(created, expected);

  // Fresh start, then ".taz" fails: the TAR extensions before it are written, nothing after.
  ASSERT_TRUE(assoc::applyAssociations(Flags{}, ""));
  created.clear();
  EXPECT_FALSE(assoc::applyAssociations({0, 0, 1, 1}, "", failingFor(".taz", &created)));
  EXPECT_EQ(created, (std::vector<std::string>{".tar", ".bz2", ".gz"}));
  for (const char* ext : {".tar", ".bz2", ".gz"}) expectDefault(ext, "TAR_ARCHIVE_FILE");
  EXPECT_FALSE(keyExists(HKCR, "TAR_ARCHIVE_FILE"));
  expectTypeAbsent(type(assoc::kZip));
}

}  // namespace
