#include "long_path.h"

#include <windows.h>

#include <vector>

#include "sjis.h"

namespace {
// The components between backslashes, whole Shift-JIS characters kept together.
std::vector<std::string> splitComponents(const std::string& s, size_t from) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = from; i < s.size(); i = sjis::next(s, i)) {
    if (s[i] == '\\' && !sjis::isPair(s, i)) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part.append(s, i, sjis::charLength(s, i));
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// The long form of `component` in `folder`, and whether it is a folder.
std::string longName(const std::string& folder, const std::string& component, bool& isFolder) {
  WIN32_FIND_DATAA found{};
  HANDLE h = FindFirstFileA((folder + "\\" + component).c_str(), &found);
  isFolder = false;
  if (h == INVALID_HANDLE_VALUE) return component;
  FindClose(h);
  isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return found.cFileName;
}
}  // namespace

bool IsFolder(const std::string& path) {
  std::string p = path;
  if (!p.empty() && p.back() == ':') p += '\\';  // the drive's root, not its current folder
  DWORD a = GetFileAttributesA(p.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

LongPath LongPathResolver::Resolve(const std::string& path) {
  char full[MAX_PATH] = {};
  char* namePart = nullptr;
  DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, &namePart);
  std::string f = n > 0 && n < sizeof full ? std::string(full, n) : path;

  std::vector<std::string> parts;
  LongPath result;
  if (f.size() >= 2 && f[0] == '\\' && f[1] == '\\') {
    // \\server\share, extended component by component until it is a folder.
    parts = splitComponents(f, 2);
    size_t used = 0;
    result.path = "\\\\";
    while (used < parts.size()) {
      if (used) result.path += "\\";
      result.path += parts[used++];
      if (used >= 2 && IsFolder(result.path)) break;
    }
    parts.erase(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(used));
  } else {
    const size_t cut = sjis::lastOf(f, '\\') == std::string::npos ? f.size() : f.find('\\');
    result.path = f.substr(0, cut);
    parts = splitComponents(f, cut);
  }
  if (parts.empty()) {
    result.folder = IsFolder(result.path);
    return result;
  }
  // Every folder above the last component, from what was resolved before where possible.
  std::string typed = sjis::toUpper(result.path);
  for (size_t i = 0; i < parts.size(); i++) {
    typed += "\\" + sjis::toUpper(parts[i]);
    const bool last = i + 1 == parts.size();
    if (!last) {
      auto known = m_folders.find(typed);
      if (known != m_folders.end()) {
        result.path = known->second;
        continue;
      }
    }
    bool folder = false;
    result.name = longName(result.path, parts[i], folder);
    result.path += "\\" + result.name;
    if (!last) m_folders[typed] = result.path;
    else result.folder = folder;
  }
  return result;
}
