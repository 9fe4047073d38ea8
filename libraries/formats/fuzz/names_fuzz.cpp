// Entry names from hostile archives: confinement must always give a safe path,
// and confining that path again must change nothing.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/names.h"
#include "platform/platform.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void checkConfined(const std::string& path) {
  check(fmt::platform::isValidUtf8(path));
  check(path.empty() || (path.front() != '/' && path.back() != '/'));
  check(path.find('\\') == std::string::npos && path.find("//") == std::string::npos);
  for (const std::string& part : fmt::splitName(path, fmt::NameEncoding::Utf8)) {
    check(part != "." && part != "..");
    check(part.back() != '.' && part.back() != ' ');
    check(part.find_first_of("<>:\"|?*") == std::string::npos);
    for (unsigned char c : part) check(c >= 0x20 && c != 0x7F);
  }
  fmt::Entry again;
  again.name = path;
  again.encoding = fmt::NameEncoding::Utf8;
  fmt::NameFixes fixes;
  check(fmt::confinedPath(again, true, &fixes) == path);
  check(!fixes.any());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  const uint8_t flags = data[0];
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);

  fmt::Entry e;
  e.name = rest;
  e.encoding = (flags & 1) ? fmt::NameEncoding::Utf8 : fmt::NameEncoding::ShiftJis;
  e.kind = (flags & 2) ? fmt::EntryKind::Folder : fmt::EntryKind::File;
  fmt::NameFixes fixes;
  const std::string confined = fmt::confinedPath(e, (flags & 4) == 0, &fixes);
  checkConfined(confined);
  if (flags & 4) check(confined.find('/') == std::string::npos);

  check(fmt::platform::isValidUtf8(fmt::utf8Name(e, true)));
  check(fmt::platform::isValidUtf8(fmt::platform::sjisToUtf8(rest)));
  (void)fmt::sjisName(e, true);
  (void)fmt::platform::utf8ToSjis(rest);

  // Pattern and name split at the first NUL.
  const size_t nul = rest.find('\0');
  if (nul != std::string::npos) {
    const std::string pattern = rest.substr(0, nul), name = rest.substr(nul + 1);
    const bool m = fmt::wildcardMatch(pattern, name);
    if (pattern == name && pattern.find_first_of("*?") == std::string::npos) check(m);
    check(fmt::wildcardMatch("*", name));
  }
  return 0;
}
