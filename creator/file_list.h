// The file list of Pakmo's main window without the window: the common base
// folder of the listed paths, their order, the names handed to a library, the
// command line split into paths, and the file-list block of a drop.
#pragma once
#include <string>
#include <vector>

// The base folder when the listed paths share none (names then go in full).
inline const std::string kNoCommonFolder = " ";

// The start's command line: "-copy" exactly, or paths cut at every blank
// (quotes are not special; no empty tokens).
struct CommandLine {
  bool copyMode = false;
  std::vector<std::string> args;
};
CommandLine ParseCommandLine(const std::string& tail);

// Keeps `base` the deepest folder (a whole path component, or a bare drive such
// as C:) that holds every path given so far; the marker when there is none.
// The first path gives its parent folder (itself when it has no backslash).
void UpdateBaseFolder(std::string& base, const std::string& path);

// Keeps `paths` (and `keys`, their upper-case forms) in ascending byte order of
// the upper-case forms; equal paths keep their arrival order.
class SortedPaths {
 public:
  void Insert(const std::string& path);
  void Clear() {
    m_paths.clear();
    m_keys.clear();
  }
  const std::vector<std::string>& Paths() const { return m_paths; }
  size_t Count() const { return m_paths.size(); }

 private:
  std::vector<std::string> m_paths, m_keys;
};

// A folder as listed: "\*.*" appended, or "*.*" when it already ends in "\".
std::string FolderPattern(const std::string& path);

// " \"name\"" per path, each without the base folder and its backslash unless
// `fullPath` is set or there is no common folder.
std::string BuildNameList(const std::vector<std::string>& paths, const std::string& base, bool fullPath);

// The names of a file-list block (CF_HDROP memory of `size` bytes): offset of
// the names in the first 32-bit field, 16-bit names when the field at byte 16 is
// non-zero (converted to the ANSI code page), NUL-terminated names up to an
// empty one. Nothing is read past `size`; a name cut off by the end is dropped.
std::vector<std::string> ReadFileListBlock(const void* block, size_t size);
