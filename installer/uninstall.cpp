#include "uninstall.h"

#include <windows.h>

#include "associations.h"
#include "install_layout.h"
#include "registry.h"
#include "sjis.h"

namespace uninstall {
namespace {

void removeFile(const std::string& path, Outcome& outcome) {
  if (DeleteFileA(path.c_str())) return;
  DWORD err = GetLastError();
  if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return;
  // In use (the shell holding the extension, this very program): removed at the
  // next start when the system lets us arrange it, else named as left behind.
  if (MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
    outcome.atRestart.push_back(path);
  else
    outcome.left.push_back(path);
}

bool keyIsEmpty(HKEY root, const std::string& path) {
  reg::Key key = reg::Key::open(root, path);
  if (!key) return false;
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  return subkeys == 0 && values == 0;
}

void deleteIfEmpty(HKEY root, const std::string& path) {
  if (keyIsEmpty(root, path)) RegDeleteKeyA(root, path.c_str());
}

std::optional<std::string> defaultOf(HKEY root, const std::string& path) {
  reg::Key key = reg::Key::open(root, path);
  return key ? key.getString("") : std::nullopt;
}

bool namesDexlor(const std::string& command) { return sjis::toLower(command).find("dexlor.exe") != std::string::npos; }

}  // namespace

std::string installedFolder() {
  reg::Key key = reg::Key::open(HKEY_LOCAL_MACHINE, install::kPakmoKey);
  auto folder = key ? key.getString(install::kInstallValue) : std::nullopt;
  return folder ? install::trimFolder(*folder) : std::string();
}

Outcome removeFiles(const std::string& installFolder, const std::string& systemFolder) {
  Outcome outcome;
  if (!installFolder.empty()) {
    std::vector<std::string> names = install::installFolderFiles();
    for (const std::string& lib : install::archiverLibraries()) names.push_back(lib);
    for (const std::string& name : names) removeFile(installFolder + "\\" + name, outcome);
    RemoveDirectoryA(installFolder.c_str());  // only succeeds when nothing else is in it
  }
  if (!systemFolder.empty()) {
    // This program among them: where the system refuses to delete a running
    // program, it goes at the next start like any file in use.
    for (const std::string& name : install::systemFiles()) {
      std::string path = systemFolder + "\\" + name;
      removeFile(path, outcome);
    }
  }
  return outcome;
}

void removeShortcuts(const std::string& programsFolder) {
  if (programsFolder.empty()) return;
  for (const install::Shortcut& s : install::shortcuts()) DeleteFileA((programsFolder + s.link).c_str());
}

void removeRegistry() {
  reg::deleteTree(HKEY_LOCAL_MACHINE, install::kUninstallKey);
  if (reg::Key key = reg::Key::open(HKEY_LOCAL_MACHINE, install::kPakmoKey, KEY_SET_VALUE))
    RegDeleteValueA(key.get(), install::kInstallValue);
  // The key also holds no settings of ours (those are per user); a vendor key
  // that holds another program's stays.
  deleteIfEmpty(HKEY_LOCAL_MACHINE, install::kPakmoKey);
  deleteIfEmpty(HKEY_LOCAL_MACHINE, install::kVendorKey);

  for (const std::string& handler : install::handlerKeys()) {
    auto value = defaultOf(HKEY_CLASSES_ROOT, handler);
    if (!value || !sjis::equalNoCase(*value, install::kClassId)) continue;
    // Its parents stay: "*\shellex\ContextMenuHandlers" is the system's, and an
    // empty key left behind does no harm where deleting another's would.
    reg::deleteTree(HKEY_CLASSES_ROOT, handler);
  }
  auto server = defaultOf(HKEY_CLASSES_ROOT, std::string(install::kClassKey) + "\\InProcServer32");
  if (server && sjis::toLower(*server).find("pkshlext.dll") != std::string::npos)
    reg::deleteTree(HKEY_CLASSES_ROOT, install::kClassKey);
}

void removeFileClasses() {
  for (const assoc::ArchiveType& type : assoc::archiveTypes()) {
    auto command = defaultOf(HKEY_CLASSES_ROOT, std::string(type.classKey) + "\\shell\\open\\command");
    if (!command || !namesDexlor(*command)) continue;
    for (const char* ext : type.extensions) {
      auto owner = defaultOf(HKEY_CLASSES_ROOT, ext);
      if (owner && sjis::equalNoCase(*owner, type.classKey)) reg::deleteTree(HKEY_CLASSES_ROOT, ext);
    }
    reg::deleteTree(HKEY_CLASSES_ROOT, type.classKey);
  }
}

std::string report(const Outcome& outcome) {
  std::string text;
  if (!outcome.atRestart.empty()) {
    text += "次のファイルは使用中のため、Windows を次に起動したときに削除されます。\r\n";
    for (const std::string& p : outcome.atRestart) text += "  " + p + "\r\n";
  }
  if (!outcome.left.empty()) {
    if (!text.empty()) text += "\r\n";
    text += "次のファイルは使用中のため削除できませんでした。手動で削除してください。\r\n";
    for (const std::string& p : outcome.left) text += "  " + p + "\r\n";
  }
  return text;
}

}  // namespace uninstall
