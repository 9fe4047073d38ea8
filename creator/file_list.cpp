#include "file_list.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "sjis.h"

CommandLine ParseCommandLine(const std::string& tail) {
  CommandLine line;
  if (tail == "-copy") {
    line.copyMode = true;
    return line;
  }
  size_t i = 0;
  while (i < tail.size()) {
    while (i < tail.size() && tail[i] == ' ') i++;
    size_t end = tail.find(' ', i);
    if (end == std::string::npos) end = tail.size();
    if (end > i) line.args.push_back(tail.substr(i, end - i));
    i = end;
  }
  return line;
}

namespace {
char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Offset just past the common leading characters of a and b (ASCII letters
// without regard to case, double-byte characters whole), and the offset of the
// last backslash inside that common part (npos when none).
void commonPrefix(const std::string& a, const std::string& b, size_t& common, size_t& lastBackslash) {
  common = 0;
  lastBackslash = std::string::npos;
  while (common < a.size() && common < b.size()) {
    const size_t la = sjis::charLength(a, common), lb = sjis::charLength(b, common);
    if (la != lb) break;
    if (la == 1 ? upperAscii(a[common]) != upperAscii(b[common]) : a.compare(common, 2, b, common, 2) != 0) break;
    if (la == 1 && a[common] == '\\') lastBackslash = common;
    common += la;
  }
}

// The leading "\\server\share" of a network path is no folder of its own to cut inside.
size_t networkRootLength(const std::string& p) {
  if (p.size() < 2 || p[0] != '\\' || p[1] != '\\') return 0;
  size_t parts = 0;
  for (size_t i = 2; i < p.size(); i = sjis::next(p, i)) {
    if (p[i] == '\\' && !sjis::isPair(p, i) && ++parts == 2) return i;
  }
  return p.size();
}
}  // namespace

void UpdateBaseFolder(std::string& base, const std::string& path) {
  if (base.empty()) {
    const size_t cut = sjis::lastBackslash(path);
    base = cut == std::string::npos ? path : path.substr(0, cut);
    return;
  }
  if (base == kNoCommonFolder) return;
  size_t common = 0, lastBackslash = 0;
  commonPrefix(base, path, common, lastBackslash);
  // Inside `base` when all of it agrees and the path goes on with a new component.
  if (common == base.size() && (path.size() == base.size() || (path[common] == '\\' && !sjis::isPair(path, common))))
    return;
  if (common == 0 || lastBackslash == std::string::npos) {
    base = kNoCommonFolder;
    return;
  }
  // They part somewhere, perhaps inside a name: the common folder ends at the
  // last backslash both share.
  const size_t root = networkRootLength(base);
  if (root && lastBackslash < root) {
    base = kNoCommonFolder;
    return;
  }
  base = base.substr(0, lastBackslash);
  if (base.empty() || base == "\\") base = kNoCommonFolder;
}

void SortedPaths::Insert(const std::string& path) {
  std::string key = sjis::toUpper(path);
  // Byte order: std::string compares as unsigned char.
  auto at = std::upper_bound(m_keys.begin(), m_keys.end(), key);
  const size_t index = static_cast<size_t>(at - m_keys.begin());
  m_keys.insert(at, std::move(key));
  m_paths.insert(m_paths.begin() + static_cast<std::ptrdiff_t>(index), path);
}

std::string FolderPattern(const std::string& path) {
  return sjis::endsWithBackslash(path) ? path + "*.*" : path + "\\*.*";
}

std::string BuildNameList(const std::vector<std::string>& paths, const std::string& base, bool fullPath) {
  size_t skip = 0;
  if (!fullPath && !base.empty() && base != kNoCommonFolder) skip = base.size() + 1;
  std::string names;
  for (const std::string& p : paths) {
    names += " \"";
    names += p.size() > skip ? p.substr(skip) : std::string();
    names += '"';
  }
  return names;
}

std::vector<std::string> ReadFileListBlock(const void* block, size_t size) {
  std::vector<std::string> names;
  const auto* bytes = static_cast<const unsigned char*>(block);
  if (!bytes || size < 20) return names;
  uint32_t offset = 0, wide = 0;
  std::memcpy(&offset, bytes, 4);
  std::memcpy(&wide, bytes + 16, 4);
  size_t i = offset;
  if (wide) {
    while (i + 2 <= size) {
      std::wstring name;
      for (; i + 2 <= size; i += 2) {
        wchar_t c = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (!c) break;
        name += c;
      }
      if (i + 2 > size || name.empty()) break;  // cut off, or the closing empty name
      i += 2;
      int n = WideCharToMultiByte(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0, nullptr, nullptr);
      std::string mb(static_cast<size_t>(n), '\0');
      WideCharToMultiByte(CP_ACP, 0, name.data(), static_cast<int>(name.size()), mb.data(), n, nullptr, nullptr);
      names.push_back(mb);
    }
  } else {
    while (i < size) {
      const void* end = std::memchr(bytes + i, 0, size - i);
      if (!end) break;
      const size_t len = static_cast<size_t>(static_cast<const unsigned char*>(end) - (bytes + i));
      if (len == 0) break;
      names.emplace_back(reinterpret_cast<const char*>(bytes + i), len);
      i += len + 1;
    }
  }
  return names;
}
