// DOS short (8.3) names for the -ji style switches: stored names made of the
// short forms of each component as the file system gives them.
#pragma once
#include <string>

namespace dllsupport {

// `storedName` (UTF-8, '/' between folders) rewritten with the short forms of
// the components of `diskPath` that it names; unchanged where the file system
// has no short name.
std::string shortStoredName(const std::string& diskPath, const std::string& storedName);

// True when two UTF-8 paths name the same file (full paths compared without case).
bool samePath(const std::string& a, const std::string& b);

}  // namespace dllsupport
