// The data object the shell builds for a selection of items in one folder
// (IShellFolder::GetUIObjectOf with IID_IDataObject); null when an item is not found.
#pragma once
#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

namespace shellext_test {

// Text of the ANSI code page as wide characters.
std::wstring wide(const std::string& s);

IDataObject* shellDataObject(const std::string& folder, const std::vector<std::string>& names);

}  // namespace shellext_test
