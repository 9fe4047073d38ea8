#include "sjis_path.h"

#include "base/sjis.h"
#include "core/names.h"
#include "platform/platform.h"

namespace dllsupport {

std::string toEnginePath(const std::string& sjis) { return fmt::platform::sjisToUtf8(sjis); }

std::string fromEngine(const std::string& utf8) { return fmt::platform::utf8ToSjis(utf8); }

bool fileExists(const std::string& sjisPath) {
  const auto info = fmt::platform::stat(toEnginePath(sjisPath));
  return info.exists && !info.isFolder;
}

namespace {

std::string mapSeparator(const std::string& s, char from, char to) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (sjis::isPair(s, i)) {
      out += s[i];
      out += s[++i];
    } else {
      out += s[i] == from ? to : s[i];
    }
  }
  return out;
}

}  // namespace

std::string backslashSeparators(const std::string& sjisName) { return mapSeparator(sjisName, '/', '\\'); }

std::string slashSeparators(const std::string& sjisName) {
  std::string out = mapSeparator(sjisName, '\\', '/');
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string cutAtCharacter(const std::string& s, size_t limit) {
  if (s.size() <= limit) return s;
  size_t i = 0;
  while (i < s.size()) {
    const size_t len = sjis::charLength(s, i);
    if (i + len > limit) break;
    i += len;
  }
  return s.substr(0, i);
}

}  // namespace dllsupport
