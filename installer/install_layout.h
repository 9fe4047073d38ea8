// What the suite installs and where: the registry entries in the order they are
// written, the files of each destination, the two shortcuts. The uninstaller
// removes by the same tables.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "install_key.h"
#include "registry.h"

namespace install {

inline constexpr char kClassId[] = "{1BCFCF41-8841-11d0-9633-444553540000}";
inline constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pakdex";
inline constexpr const char* kPakmoKey = suite::kInstallKey;
inline constexpr char kVendorKey[] = "Software\\Varn Software";
using suite::kInstallValue;
inline constexpr char kClassKey[] = "CLSID\\{1BCFCF41-8841-11d0-9633-444553540000}";
inline constexpr char kUninstaller[] = "pduninstall.exe";

struct RegistryEntry {
  HKEY root;
  std::string key;
  std::string value;  // empty: the key's default value
  std::string data;
};

// The entries for a system directory `sys` and an install folder `folder`,
// both without a trailing backslash, in the order they are written.
std::vector<RegistryEntry> registryEntries(const std::string& sys, const std::string& folder);

// The context-menu handler keys under HKEY_CLASSES_ROOT ("*", folders, drives).
std::vector<std::string> handlerKeys();

// Files copied into the install folder, then into the system directory, by
// bare name from the installer's folder. The archiver libraries follow the
// programs that load them by bare name, so they sit beside them; only those
// present are copied.
std::vector<std::string> installFolderFiles();
std::vector<std::string> systemFiles();
std::vector<std::string> archiverLibraries();

// The shortcuts in the Start menu's Programs folder: link file name, program, description.
struct Shortcut {
  const char* link;
  const char* program;
  const char* description;
};
const std::vector<Shortcut>& shortcuts();

// The system directory as the system reports it (no trailing backslash) and the
// current user's Start menu Programs folder (empty when it cannot be found).
std::string systemDirectory();
std::string programsFolder();

// The folder as typed, without one trailing backslash (a whole character).
std::string trimFolder(const std::string& typed);

// Creates a key for writing; tests pass one that records or fails.
using CreateKey = std::function<reg::Key(HKEY root, const std::string& path)>;

// Writes the entries in order; false at the first key that cannot be created
// (the entries before it stay).
bool writeRegistry(const std::vector<RegistryEntry>& entries, const CreateKey& createKey = {});

}  // namespace install
