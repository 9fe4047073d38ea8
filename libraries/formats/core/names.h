// Entry names: Shift-JIS aware splitting, confinement to a destination folder,
// and wildcard matching. Every format goes through these; none has its own.
#pragma once
#include <string>
#include <vector>

#include "core/entry.h"

namespace fmt {

// The entry's name in Shift-JIS (the form the libraries report and match), with
// '/' between folders and a trailing '/' for folders when `markFolder` is set.
std::string sjisName(const Entry& e, bool markFolder = false);
// The entry's name in UTF-8, '/' between folders, for arctool and file creation.
std::string utf8Name(const Entry& e, bool markFolder = false);

// Splits a stored name into its folder components, taking '/' and '\' as
// separators but never the second byte of a double-byte Shift-JIS character.
std::vector<std::string> splitName(const std::string& name, NameEncoding enc);

// What confinement changed in a name, for the report.
struct NameFixes {
  bool droppedRoot = false;      // absolute path, drive letter or UNC prefix taken off
  bool droppedDotDot = false;    // ".." or "." components taken off
  bool replacedChars = false;    // characters Windows does not allow, control characters
  bool renamedDevice = false;    // CON, NUL, COM1 ... given a leading '_'
  bool any() const { return droppedRoot || droppedDotDot || replacedChars || renamedDevice; }
};

// The relative UTF-8 path ('/' between components) under which an entry may be
// written inside a destination folder; empty when nothing remains (the entry is
// then skipped). With keepFolders false only the last component is kept.
std::string confinedPath(const Entry& e, bool keepFolders, NameFixes* fixes = nullptr);

// DOS-style wildcard match by whole Shift-JIS characters, ASCII letters without
// regard to case; '*' and '?' never match a '/' (so "*" is one component) except
// that "*.*" and "*" match every name.
bool wildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace fmt
