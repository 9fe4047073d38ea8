// Reading a ZIP archive's directory: the end record (through the comment, ZIP64
// forms included), the central directory, and the local header of every entry.
#pragma once
#include <string>
#include <vector>

#include "core/entry.h"
#include "zip/zip_item.h"
#include "zip/zip_source.h"

namespace fmt::zip {

struct Directory {
  std::vector<Item> items;
  std::vector<Entry> entries;  // parallel to items
  std::string comment;         // the archive comment, bytes as stored
  uint64_t prefixSize = 0;     // bytes before the archive proper (a self-extracting program)
  uint64_t centralStart = 0;
  std::vector<std::string> warnings;
};

// False when the source holds no end of central directory record (not a ZIP).
// Throws Unsupported for split and spanned archives, Truncated or Corrupt when
// the directory itself cannot be read. Problems of single entries land in their
// Item (refuse), not here.
bool readDirectory(ByteSource& src, Directory& dir);

// Reads every entry's local header, checks it against the central record, finds
// where the data starts and refuses entries whose data overlap.
void checkLocalHeaders(ByteSource& src, Directory& dir);

}  // namespace fmt::zip
