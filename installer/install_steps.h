// The installer's steps that touch the shell: copying, shortcuts, the
// association dialog, and starting the uninstaller after a failure.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace install {

// One shell copy of `names` (bare names in the current folder) into `folder`,
// every question answered yes, a missing folder created. False when the shell
// reports an error or the user aborts.
bool copyFiles(HWND owner, const std::vector<std::string>& names, const std::string& folder);

// A shortcut at `link` to `target` with `description`; false when the link
// object cannot be made or saved.
bool createShortcut(const std::string& link, const std::string& target, const std::string& description);

// DexOption's dialog, loaded by bare name for the one call; skipped silently
// when the library or its export is missing.
void selectAssociations();

// "pduninstall.exe Immediately" through the shell; not waited for.
void startUninstaller();

}  // namespace install
