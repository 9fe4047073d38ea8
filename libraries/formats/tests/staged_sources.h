// Files written under a test's folder (root/src/0, 1, ...) and the source items
// that put them into an archive under their own names, with distinct stamps.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/attributes.h"
#include "core/sources.h"
#include "platform/platform.h"
#include "test_support.h"

namespace testsupport {

struct Source {
  std::string name;  // UTF-8, '/' between folders
  std::vector<uint8_t> data;
};

inline std::vector<fmt::SourceItem> stage(const TempDir& root, const std::vector<Source>& sources) {
  fmt::platform::makeFolders(root / "src");
  std::vector<fmt::SourceItem> items;
  int n = 0;
  for (const Source& s : sources) {
    const std::string path = root / ("src/" + std::to_string(n++));
    writeFile(path, s.data);
    fmt::SourceItem it;
    it.diskPath = path;
    it.size = s.data.size();
    it.name = s.name;
    it.mtime = 1700000000 + 2 * n;
    it.attributes = fmt::kAttrArchive;
    items.push_back(it);
  }
  return items;
}

}  // namespace testsupport
