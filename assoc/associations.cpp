#include "associations.h"

#include "install_key.h"
#include "sjis.h"

namespace assoc {

namespace {

using suite::kInstallKey;
using suite::kInstallValue;
constexpr size_t kInstallFolderBytes = 260;  // terminator included

// Creates `path` and sets its default value; the key is closed on return.
bool writeDefault(const CreateKey& create, const std::string& path, const std::string& value) {
  reg::Key key = create(path);
  if (!key) return false;
  key.setString("", value);
  return true;
}

bool associate(const CreateKey& create, const ArchiveType& type, const std::string& folder) {
  for (const char* ext : type.extensions)
    if (!writeDefault(create, ext, type.classKey)) return false;
  const std::string cls = type.classKey;
  return writeDefault(create, cls, type.description) &&
         writeDefault(create, cls + "\\shell\\open\\command", openCommand(folder)) &&
         writeDefault(create, cls + "\\DefaultIcon", iconValue(type, folder));
}

bool pointsToClass(const char* ext, const char* classKey) {
  reg::Key key = reg::Key::open(HKEY_CLASSES_ROOT, ext);
  if (!key) return false;
  auto value = key.getString("");
  return value && sjis::equalNoCase(*value, classKey);
}

// Failures are skipped: a key that cannot be deleted stays.
void removeClass(const std::string& cls) {
  for (const std::string& sub : {cls + "\\shell\\open\\command", cls + "\\shell\\open", cls + "\\shell",
                                 cls + "\\DefaultIcon", cls})
    RegDeleteKeyA(HKEY_CLASSES_ROOT, sub.c_str());
}

// Only extensions that point to our class are deleted, and the class only when
// at least one of them was ours (for a one-extension type: when that one was).
void removeAssociation(const ArchiveType& type) {
  bool deletedAny = false;
  for (const char* ext : type.extensions) {
    if (!pointsToClass(ext, type.classKey)) continue;
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ext);
    deletedAny = true;
  }
  if (deletedAny) removeClass(type.classKey);
}

}  // namespace

const std::array<ArchiveType, kTypeCount>& archiveTypes() {
  static const std::array<ArchiveType, kTypeCount> types{{
      {"LHA_ARCHIVE_FILE", {".lzh"}, "LHA書庫ﾌｧｲﾙ", "dexlor.exe,1"},
      {"CAB_ARCHIVE_FILE", {".cab"}, "ｷｬﾋﾞﾈｯﾄﾌｧｲﾙ", "Dexlor.exe,3"},
      {"TAR_ARCHIVE_FILE", {".tar", ".bz2", ".gz", ".taz", ".tgz", ".tz", ".z"}, "Tarﾌｧｲﾙ", "dexlor.exe,2"},
      {"ZIP_ARCHIVE_FILE", {".zip"}, "Zipﾌｧｲﾙ", "dexlor.exe,4"},
  }};
  return types;
}

Flags currentAssociations() {
  Flags flags{};
  for (int i = 0; i < kTypeCount; i++) flags[i] = reg::Key::open(HKEY_CLASSES_ROOT, archiveTypes()[i].classKey) ? 1 : 0;
  return flags;
}

std::string readInstallFolder() {
  reg::Key key = reg::Key::open(HKEY_LOCAL_MACHINE, kInstallKey);
  auto folder = key.getString(kInstallValue);
  if (!folder || folder->size() + 1 > kInstallFolderBytes) return "";
  sjis::addBackslash(*folder);
  return *folder;
}

namespace {
std::string moduleFolder(HMODULE module) {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(module, path, sizeof path);
  if (n == 0 || n >= sizeof path) return "";
  const std::string full(path, n);
  const size_t cut = sjis::lastBackslash(full);
  return cut == std::string::npos ? "" : full.substr(0, cut + 1);
}
}  // namespace

std::string dexlorFolder(HMODULE library) {
  std::string folder = readInstallFolder();
  if (!folder.empty()) return folder;
  const std::string program = moduleFolder(nullptr);
  for (const std::string& f : {program, moduleFolder(library)})
    if (!f.empty() && GetFileAttributesA((f + "dexlor.exe").c_str()) != INVALID_FILE_ATTRIBUTES) return f;
  return program;
}

std::string openCommand(const std::string& folder) { return "\"" + folder + "dexlor.exe\" \"%1\""; }

std::string iconValue(const ArchiveType& type, const std::string& folder) { return folder + type.iconFile; }

bool applyAssociations(const Flags& flags, const std::string& folder, const CreateKey& createKey) {
  const CreateKey create =
      createKey ? createKey : [](const std::string& path) { return reg::Key::create(HKEY_CLASSES_ROOT, path); };
  for (int i = 0; i < kTypeCount; i++) {
    const ArchiveType& type = archiveTypes()[i];
    if (flags[i]) {
      if (!associate(create, type, folder)) return false;
    } else {
      removeAssociation(type);
    }
  }
  return true;
}

}  // namespace assoc
