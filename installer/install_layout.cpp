#include "install_layout.h"

#include <shlobj.h>

#include "sjis.h"

namespace install {

std::vector<RegistryEntry> registryEntries(const std::string& sys, const std::string& folder) {
  std::vector<RegistryEntry> e = {
      {HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Pakmo & Dexlor"},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", sys + "\\" + kUninstaller},
      {HKEY_LOCAL_MACHINE, kPakmoKey, kInstallValue, folder},
  };
  for (const std::string& handler : handlerKeys()) e.push_back({HKEY_CLASSES_ROOT, handler, "", kClassId});
  e.push_back({HKEY_CLASSES_ROOT, kClassKey, "", "Shell Extension for Pakmo"});
  e.push_back({HKEY_CLASSES_ROOT, std::string(kClassKey) + "\\InProcServer32", "", sys + "\\pkshlext.dll"});
  e.push_back({HKEY_CLASSES_ROOT, std::string(kClassKey) + "\\InProcServer32", "ThreadingModel", "Apartment"});
  return e;
}

std::vector<std::string> handlerKeys() {
  return {"*\\shellex\\ContextMenuHandlers\\LHAMenu", "Directory\\shellex\\ContextMenuHandlers\\LHAMenu",
          "Drive\\shellex\\ContextMenuHandlers\\LHAMenu"};
}

std::vector<std::string> installFolderFiles() {
  return {"Pakmo.exe", "Dexlor.exe", "Pakmo.txt", "Dexlor.txt", "cbcon.exe",
          "lhcon.exe", "trcon.exe", "Pakdex.chm", "おまけ.txt"};
}

std::vector<std::string> systemFiles() { return {"pkshlext.dll", "pduninstall.exe", "DexOption.dll"}; }

std::vector<std::string> archiverLibraries() { return {"UNLHA32.DLL", "CAB32.DLL", "TAR32.DLL", "UNZIP32.DLL"}; }

const std::vector<Shortcut>& shortcuts() {
  static const std::vector<Shortcut> links = {
      {"\\Pakmo.lnk", "\\Pakmo.exe", "Pakmoへのｼｮｰﾄｶｯﾄ"},
      {"\\Dexlor.lnk", "\\Dexlor.exe", "Dexlorへのｼｮｰﾄｶｯﾄ"},
  };
  return links;
}

std::string systemDirectory() {
  char sys[MAX_PATH] = {};
  UINT n = GetSystemDirectoryA(sys, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(sys, n) : std::string();
}

std::string programsFolder() {
  LPITEMIDLIST id = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &id))) return {};
  char path[MAX_PATH] = {};
  bool ok = SHGetPathFromIDListA(id, path) != FALSE;
  CoTaskMemFree(id);
  return ok ? path : std::string();
}

std::string trimFolder(const std::string& typed) {
  if (!sjis::endsWithBackslash(typed)) return typed;
  return typed.substr(0, typed.size() - 1);
}

bool writeRegistry(const std::vector<RegistryEntry>& entries, const CreateKey& createKey) {
  for (const RegistryEntry& e : entries) {
    reg::Key key = createKey ? createKey(e.root, e.key) : reg::Key::create(e.root, e.key);
    if (!key) return false;
    key.setString(e.value, e.data);
  }
  return true;
}

}  // namespace install
