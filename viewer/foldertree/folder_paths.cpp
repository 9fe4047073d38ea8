#include "folder_paths.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "sjis.h"

namespace foldertree {

std::string LowerAnsi(const std::string& s) {
  if (s.empty()) return s;
  std::vector<char> buf(s.begin(), s.end());
  CharLowerBuffA(buf.data(), static_cast<DWORD>(buf.size()));
  return std::string(buf.begin(), buf.end());
}

bool IsDriveRoot(const std::string& path) { return path.size() == 3 && path[1] == ':' && path[2] == '\\'; }

WalkStep CompareWalkStep(const std::string& wanted, const std::string& itemPath) {
  std::string p = itemPath;
  if (!sjis::endsWithBackslash(p)) p += '\\';
  p = LowerAnsi(p);
  if (wanted.size() < p.size() || wanted.compare(0, p.size(), p) != 0) return WalkStep::NextSibling;
  return wanted.size() == p.size() ? WalkStep::Found : WalkStep::Descend;
}

WalkStart ChooseWalkStart(const std::string& wanted, const std::string& desktopDir) {
  if (!desktopDir.empty() && wanted.compare(0, desktopDir.size(), desktopDir) == 0) return WalkStart::Root;
  return !wanted.empty() && wanted[0] == '\\' ? WalkStart::SecondChild : WalkStart::FirstChild;
}

std::string ChooseNewFolderPath(const std::string& base, const std::function<bool(const std::string&)>& exists) {
  std::string path = base + "新しいﾌｫﾙﾀﾞ";
  for (int n = 2; exists(path); n++) {
    if (n >= 200) return std::string();
    char name[64];
    std::snprintf(name, sizeof name, "新しいﾌｫﾙﾀﾞ(%d)", n);
    path = base + name;
  }
  return path;
}

}  // namespace foldertree
