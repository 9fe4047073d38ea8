// The files and folders to put into a new archive, collected from command-line
// operands. Every format writer takes this list; none walks folders itself.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace fmt {

struct SourceItem {
  std::string diskPath;  // where to read it: the operand joined to the base folder
  std::string name;      // stored name: UTF-8, relative, '/' between folders, no trailing '/'
  bool isFolder = false;
  uint64_t size = 0;        // 0 for folders
  int64_t mtime = 0;        // seconds since 1970 UTC
  uint32_t attributes = 0;  // DOS attribute bits (kAttrFolder for folders)
};

// Operands are files or folders relative to `base` (absolute ones are used as
// they are); folders are taken recursively, each folder as an item of its own
// before its contents, folder contents in name order. Stored names lose any root,
// "." and ".." components. Symbolic links are not followed: they are left out and
// named in `skipped` when given. A missing operand throws ErrorKind::Io; the same
// stored name twice is kept once.
std::vector<SourceItem> collectSources(const std::vector<std::string>& operands, const std::string& base,
                                       std::vector<std::string>* skipped = nullptr);

}  // namespace fmt
