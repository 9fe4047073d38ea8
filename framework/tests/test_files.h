// Files for the Windows-side tests: read, write, stamp, remove a whole folder.
#pragma once
#include <windows.h>

#include <string>

std::string ReadFile(const std::string& path);  // "<missing>" when it cannot be read
void WriteFile(const std::string& path, const std::string& data);
bool PathExists(const std::string& path);
void SetFileYear(const std::string& path, WORD year);
void RemoveTree(const std::string& dir);  // dir ends in a backslash; read-only files too
