// The shell's own data object for files, as Explorer offers it for a
// selection (CF_HDROP and "Shell IDList Array" among its formats).
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

// For the items `names` of `folder` (a drive root is "C:\"); null when the
// shell cannot give one or an item is not found.
IDataObject* ShellDataObject(const std::string& folder, const std::vector<std::string>& names);
// For `paths` (all in one folder).
IDataObject* ShellDataObject(const std::vector<std::string>& paths);
