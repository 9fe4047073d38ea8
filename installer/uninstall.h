// What pduninstall removes: everything pdinstall wrote (the registry entries,
// the files, the shortcuts), the file classes DexOption wrote that open Dexlor,
// and the install folder when nothing else is left in it.
#pragma once
#include <string>
#include <vector>

namespace uninstall {

struct Outcome {
  std::vector<std::string> atRestart;  // in use: removed when Windows starts next
  std::vector<std::string> left;       // in use, and no removal at restart could be arranged
};

// `installFolder` as stored by the installer (empty when it was never written).
Outcome removeFiles(const std::string& installFolder, const std::string& systemFolder);
void removeShortcuts(const std::string& programsFolder);
// The handler and class entries only while they still name our class; the file
// classes only while their open command names dexlor.exe.
void removeRegistry();
void removeFileClasses();
// The stored install folder, empty when there is none.
std::string installedFolder();

// The text shown at the end: empty when everything went.
std::string report(const Outcome& outcome);

}  // namespace uninstall
