// The registry side of DexOption: which archive types belong to Dexlor, and
// writing or removing their associations under HKEY_CLASSES_ROOT.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "registry.h"

namespace assoc {

enum TypeIndex { kLha, kCab, kTar, kZip, kTypeCount };

struct ArchiveType {
  const char* classKey;
  std::vector<const char*> extensions;  // in the order they are written and removed
  const char* description;
  const char* iconFile;  // program file and icon index, after the install folder
};

// The four types, always in this order: LHA, CAB, TAR, ZIP.
const std::array<ArchiveType, kTypeCount>& archiveTypes();

// One flag per type, 1 for associated, 0 for not.
using Flags = std::array<int, kTypeCount>;

// A type counts as associated when its class key opens for reading; the
// extension keys do not decide.
Flags currentAssociations();

// HKLM "Software\Varn Software\Pakmo" "Install Folder" with a trailing
// backslash; empty when the key or the value is missing or does not fit in
// 260 bytes.
std::string readInstallFolder();
// The folder the associations name Dexlor in: the install folder; without one
// (programs copied by hand), the running program's folder or else `library`'s,
// whichever holds dexlor.exe, so the class never names a program that is not there.
std::string dexlorFolder(HMODULE library);

std::string openCommand(const std::string& installFolder);
std::string iconValue(const ArchiveType& type, const std::string& installFolder);

// Creates a key under HKEY_CLASSES_ROOT for writing. The default is
// reg::Key::create; tests pass one that records the order of creation and
// fails for a chosen key.
using CreateKey = std::function<reg::Key(const std::string& path)>;

// Associates each flagged type and removes the others (only keys that point to
// our class). Stops at the first key that cannot be created and returns false;
// the types before it stay as written, the rest are left untouched.
bool applyAssociations(const Flags& flags, const std::string& installFolder, const CreateKey& createKey = {});

}  // namespace assoc
