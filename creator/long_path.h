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
// it resolved, and reads a folder whole once a second name is looked up in it,
// so that an intake of many files costs about one search per folder.
class LongPathResolver {
 public:
  LongPath Resolve(const std::string& path);

 private:
  struct Entry {
    std::string name;  // long form
    bool folder = false;
  };
  struct Listing {
    int lookups = 0;
    bool read = false;
    std::map<std::string, Entry> byName;  // upper-case long and short names
  };
  // The long form of `component` in the long folder `folder` (upper-case `key`).
  Entry Lookup(const std::string& folder, const std::string& key, const std::string& component);

  std::map<std::string, std::string> m_folders;  // upper-case full folder path -> its long form
  std::map<std::string, Listing> m_listings;     // upper-case long folder path -> its entries
};
inline LongPath ResolveLongPath(const std::string& path) { return LongPathResolver().Resolve(path); }

// True when `path` (a full path, or a bare drive such as C:) names a folder.
bool IsFolder(const std::string& path);
