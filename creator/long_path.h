// Paths as the user named them (relative, short 8.3 names, any case) turned into
// the full path with every component in its long form as the disk has it.
#pragma once
#include <string>

struct LongPath {
  std::string path;  // full path, long components
  std::string name;  // the long form of the last component; empty for a drive root
};

// A component that names nothing on disk is kept as given, so that the
// archiver's report names what is missing.
LongPath ResolveLongPath(const std::string& path);

// True when `path` (a full path, or a bare drive such as C:) names a folder.
bool IsFolder(const std::string& path);
