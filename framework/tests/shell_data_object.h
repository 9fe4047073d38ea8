// The shell's own data object for files, as Explorer offers it for a
// selection (CF_HDROP and "Shell IDList Array" among its formats).
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

// For `paths` (all in one folder); null when the shell cannot give one.
IDataObject* ShellDataObject(const std::vector<std::string>& paths);
