// Paths as the user named them (relative, short 8.3 names, any case) turned into
// the full path with every component in its long form as the disk has it.
#pragma once
#include <string>

#include <map>

struct LongPath {
  std::string path;  // full path, long components
  std::string name;  // the long form of the last component; empty for a drive root
  bool folder = false;
};

// A component that names nothing on disk is kept as given, so that the
// archiver's report names what is missing. The resolver remembers the folders
// it resolved, so that the files of one folder cost one lookup each.
class LongPathResolver {
 public:
  LongPath Resolve(const std::string& path);

 private:
  std::map<std::string, std::string> m_folders;  // upper-case full folder path -> its long form
};
inline LongPath ResolveLongPath(const std::string& path) { return LongPathResolver().Resolve(path); }

// True when `path` (a full path, or a bare drive such as C:) names a folder.
bool IsFolder(const std::string& path);
