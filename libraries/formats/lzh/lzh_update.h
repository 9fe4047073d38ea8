// Changes to LZH archives. Every one writes a new archive beside the old one
// (fmt::AtomicFile) and puts it in place only when complete: after an error or
// a cancel the original is as it was. Members not changed are copied as
// stored, never recompressed.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/sources.h"
#include "lzh/lzh_writer.h"

namespace fmt::lzh {

enum class AddMode {
  Replace,  // add every item, replacing members of the same name
  Update,   // add new items; replace a member only with a newer file
  Freshen,  // only replace members with newer files; add nothing new
};

// Per item (UTF-8 stored name) while it is written; false cancels.
using ItemProgressFn = std::function<bool(const std::string& name, uint64_t done, uint64_t total)>;

struct UpdateReport {
  std::vector<std::string> added, replaced, skipped;  // UTF-8 names
};

// A new archive of the items (an existing file is replaced).
void createArchive(const std::string& path, const std::vector<SourceItem>& items, const WriteOptions& options,
                   const ItemProgressFn& progress = {});

// Adds items to an archive, created when missing (except with Freshen).
UpdateReport addToArchive(const std::string& path, const std::vector<SourceItem>& items, AddMode mode,
                          const WriteOptions& options, const ItemProgressFn& progress = {});

// Removes the members at `indices` (as the reader lists them).
void deleteFromArchive(const std::string& path, const std::vector<size_t>& indices);

// Gives member `index` a new stored name (UTF-8, '/' between folders).
void renameInArchive(const std::string& path, size_t index, const std::string& newName);

}  // namespace fmt::lzh
