// Entry names: splitting by whole Shift-JIS characters, confinement to the
// destination folder and wildcard matching. The one place these rules live.
#include "core/names.h"

#include <cstdint>

#include "base/name_chars.h"
#include "base/sjis.h"
#include "base/utf8.h"
#include "platform/platform.h"

namespace fmt {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }
bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
  return i == a.size() && !b[i];
}

// A name whose bytes are not valid UTF-8 is read as Shift-JIS, whatever it claims.
bool readAsSjis(const Entry& e) { return e.encoding == NameEncoding::ShiftJis || !platform::isValidUtf8(e.name); }

// Joins components with '/', with a trailing '/' for a folder when asked.
std::string joined(const std::vector<std::string>& parts, bool trailingSlash) {
  std::string out;
  for (const auto& p : parts) {
    if (!out.empty()) out += '/';
    out += p;
  }
  if (trailingSlash && !out.empty()) out += '/';
  return out;
}

// Keeps a leading root ("/", "C:/", "//") visible in reported names: only the
// separators change, confinement happens elsewhere.
std::string withSlashes(const std::string& name, bool sjis) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (sjis && sjis::isPair(name, i)) {
      out += name[i];
      out += name[++i];
    } else {
      out += c == '\\' ? '/' : name[i];
    }
  }
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

bool isReservedDevice(const std::string& component) {
  // Windows ignores an extension and blanks before it: "con.txt", "NUL .c".
  std::string base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* n : kNames)
    if (equalsNoCase(base, n)) return true;
  if (base.size() < 4) return false;
  const std::string stem = base.substr(0, 3);
  if (!equalsNoCase(stem, "COM") && !equalsNoCase(stem, "LPT")) return false;
  const std::string digit = base.substr(3);
  if (digit.size() == 1) return digit[0] >= '1' && digit[0] <= '9';
  // Superscript one, two and three count as digits there too.
  return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

// One UTF-8 component made safe to create on Windows and POSIX alike; empty when
// nothing of it remains.
std::string fixComponent(const std::string& comp, NameFixes& fixes) {
  if (comp == ".") return "";  // the folder it stands in: nothing changes (tar -C dir . writes "./a")
  if (comp == "..") {
    fixes.droppedDotDot = true;
    return "";
  }
  std::string out;
  out.reserve(comp.size());
  uint32_t cp;
  for (size_t i = 0; i < comp.size();) {
    size_t len = utf8::decode(comp, i, cp);
    if (len == 0) len = 1, cp = 0;  // cannot happen after conversion; replace anyway
    if (isForbiddenNameChar(cp)) {
      out += '_';
      fixes.replacedChars = true;
    } else {
      out.append(comp, i, len);
    }
    i += len;
  }
  // Windows drops trailing dots and blanks when it creates a name; do it here so
  // that both systems create the same file.
  size_t end = out.size();
  while (end && (out[end - 1] == '.' || out[end - 1] == ' ')) --end;
  if (end != out.size()) {
    if (end == 0) {
      if (out.find_first_not_of('.') == std::string::npos) fixes.droppedDotDot = true;
      else fixes.replacedChars = true;
      return "";
    }
    out.resize(end);
    fixes.replacedChars = true;
  }
  if (isReservedDevice(out)) {
    out.insert(out.begin(), '_');
    fixes.renamedDevice = true;
  }
  return out;
}

// Characters for matching: a double-byte character is one unit, ASCII letters
// fold to lower case, '\' between folders reads as '/'.
std::vector<uint32_t> matchUnits(const std::string& s, size_t dropTail = 0) {
  std::vector<uint32_t> out;
  out.reserve(s.size());
  const size_t n = s.size() - dropTail;
  for (size_t i = 0; i < n; ++i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (i + 1 < n && sjis::isPair(s, i)) {
      out.push_back((c << 8) | static_cast<unsigned char>(s[++i]));
    } else {
      if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
      out.push_back(c == '\\' ? '/' : c);
    }
  }
  return out;
}

bool matchUnitsDp(const std::vector<uint32_t>& p, const std::vector<uint32_t>& n) {
  // row[j]: the pattern so far matches the first j units of the name.
  std::vector<char> row(n.size() + 1, 0), next(n.size() + 1, 0);
  row[0] = 1;
  for (uint32_t pc : p) {
    next[0] = pc == '*' && row[0];
    for (size_t j = 1; j <= n.size(); ++j) {
      const uint32_t nc = n[j - 1];
      if (pc == '*') next[j] = row[j] || (next[j - 1] && nc != '/');
      else if (pc == '?') next[j] = row[j - 1] && nc != '/';
      else next[j] = row[j - 1] && nc == pc;
    }
    row.swap(next);
  }
  return row[n.size()];
}

}  // namespace

std::vector<std::string> splitName(const std::string& name, NameEncoding enc) {
  std::vector<std::string> parts;
  std::string cur;
  for (size_t i = 0; i < name.size(); ++i) {
    if (enc == NameEncoding::ShiftJis && sjis::isPair(name, i)) {
      cur += name[i];
      cur += name[++i];
    } else if (isSeparator(name[i])) {
      if (!cur.empty()) parts.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += name[i];
    }
  }
  if (!cur.empty()) parts.push_back(std::move(cur));
  return parts;
}

std::string sjisName(const Entry& e, bool markFolder) {
  std::string s = readAsSjis(e) ? withSlashes(e.name, true) : withSlashes(platform::utf8ToSjis(e.name), true);
  if (markFolder && e.isFolder() && !s.empty() && s.back() != '/') s += '/';
  return s;
}

std::string utf8Name(const Entry& e, bool markFolder) {
  std::string s = readAsSjis(e) ? platform::sjisToUtf8(withSlashes(e.name, true)) : withSlashes(e.name, false);
  if (markFolder && e.isFolder() && !s.empty() && s.back() != '/') s += '/';
  return s;
}

std::string confinedPath(const Entry& e, bool keepFolders, NameFixes* fixesOut) {
  NameFixes fixes;
  const bool sjis = readAsSjis(e);
  const std::string& n = e.name;

  // The root part is ASCII in both encodings: "C:", "/", "\\server\share", "\\?\C:".
  size_t i = 0;
  bool drive = false;
  if (n.size() >= 2 && isAsciiLetter(n[0]) && n[1] == ':') i = 2, drive = true;
  size_t seps = 0;
  while (i < n.size() && isSeparator(n[i])) ++i, ++seps;
  fixes.droppedRoot = drive || seps > 0;

  const std::vector<std::string> parts = splitName(n.substr(i), sjis ? NameEncoding::ShiftJis : NameEncoding::Utf8);
  size_t first = 0;
  if (!drive && seps >= 2 && !parts.empty()) {
    if (parts[0] == "?" || parts[0] == ".") {  // \\?\C:\x, \\?\UNC\server\share\x, \\.\device
      first = 1;
      if (first < parts.size() && parts[first].size() == 2 && isAsciiLetter(parts[first][0]) && parts[first][1] == ':') first += 1;
      else if (first < parts.size() && equalsNoCase(parts[first], "UNC")) first += 3;
      else first += 1;
    } else {
      first = 2;  // server and share
    }
  }

  std::vector<std::string> kept;
  for (size_t k = first; k < parts.size(); ++k) {
    std::string fixed = fixComponent(sjis ? platform::sjisToUtf8(parts[k]) : parts[k], fixes);
    if (!fixed.empty()) kept.push_back(std::move(fixed));
  }
  if (!keepFolders && kept.size() > 1) kept.erase(kept.begin(), kept.end() - 1);
  if (fixesOut) *fixesOut = fixes;
  return joined(kept, false);
}

bool wildcardMatch(const std::string& pattern, const std::string& name) {
  if (pattern == "*" || pattern == "*.*") return true;
  const std::vector<uint32_t> n = matchUnits(name);
  if (matchUnitsDp(matchUnits(pattern), n)) return true;
  // DOS lets "name.*" match a name without an extension.
  const size_t len = pattern.size();
  if (len >= 2 && pattern.compare(len - 2, 2, ".*") == 0) {
    const std::vector<uint32_t> p = matchUnits(pattern, 2);
    if (p.size() + 2 == matchUnits(pattern).size()) return matchUnitsDp(p, n);
  }
  return false;
}

}  // namespace fmt
