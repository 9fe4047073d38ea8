// Operands of a library command after the archive: an optional base folder,
// then names. Entry names are matched in the Shift-JIS form the library
// reports; file operands are expanded on disk for adding.
#pragma once
#include <string>
#include <vector>

#include "command_line.h"
#include "core/sources.h"

namespace dllsupport {

// True when the operand names a folder by its form: it ends in '\' (or '/')
// as a whole character, or is a drive ("D:").
bool looksLikeFolder(const std::string& sjis);

// The archive operand with `extension` (".lzh") added when its last component
// has none and no file of that name exists.
std::string withDefaultExtension(const std::string& sjisArchive, const char* extension);

// Matches entry names (Shift-JIS, '/' between folders, no trailing '/') against
// the names of a command line, given with '\' or '/' and perhaps a trailing '/'
// as the library reported them. No names means every entry; "*" and "*.*" too.
class EntryMatcher {
 public:
  // wholePath: a name matches the whole stored path only; otherwise also the
  // last component of an entry in any folder. caseSensitive: ASCII letters of
  // names without wildcards must agree in case too.
  EntryMatcher(const std::vector<std::string>& names, bool wholePath, bool caseSensitive);
  bool matchesAll() const { return patterns_.empty(); }
  bool matches(const std::string& sjisEntryName) const;
  // Index into the names given of the first that matches, or -1.
  int whichMatches(const std::string& sjisEntryName) const;

 private:
  bool one(const std::string& pattern, const std::string& name) const;
  std::vector<std::string> patterns_;
  bool wholePath_, caseSensitive_;
};

struct SourceOptions {
  bool recurse = false;        // folders and wildcards reach into subfolders
  bool keepFolders = false;    // store paths relative to the base; else file names only
  bool allAttributes = false;  // hidden and system files too
};

// The files to add for `operands` (Shift-JIS, relative to `baseUtf8` unless
// absolute, '*' and '?' in the last component). Without `recurse` a folder
// operand gives the files directly in it. Names left out (hidden files, links,
// a file name that occurs twice without folders) go to `skipped` in UTF-8.
// Throws fmt::Error (Io) for an operand without a wildcard that does not exist.
std::vector<fmt::SourceItem> collectOperands(const std::vector<std::string>& operands, const std::string& baseUtf8,
                                             const SourceOptions& options, std::vector<std::string>* skipped);

}  // namespace dllsupport
