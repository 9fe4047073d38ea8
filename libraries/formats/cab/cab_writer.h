// Writing a cabinet: files in folders of one method each, 32 KB frames, names
// in Shift-JIS where they can be (UTF-8 with its attribute otherwise), DOS
// stamps and attributes. The archive appears only when complete.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cab/cab_format.h"
#include "core/archive.h"
#include "core/sources.h"

namespace fmt::cab {

struct WriteOptions {
  uint16_t typeCompress = static_cast<uint16_t>(Method::Mszip);  // lzxTypeCompress(bits) for LZX
  int level = 9;                                                  // MSZIP: our deflate encoder's level, 1-9
  // A new folder starts before a file that would take the current one past
  // this many bytes (files never straddle folders). Extracting one file decodes
  // its folder from the start, so 64 MB keeps that quick, while costing LZX's
  // 2 MB window and MSZIP's 32 KB next to nothing. At most kMaxFolderBytes.
  uint64_t folderLimit = 64ull << 20;
  ProgressFn progress;  // bytes of input done, of all
};

// Writes the files of `items` into a new cabinet at `archivePath` through an
// AtomicFile; folders are left out (cabinets hold none: the names carry them),
// and of the attributes the read-only, hidden, system and archive bits are kept.
// Throws Usage for what a cabinet cannot hold (a name over 255 bytes, a file
// over 2 GB, a cabinet over 4 GB), Io and Cancelled otherwise; the target is
// then left as it was.
void writeCabinet(const std::string& archivePath, const std::vector<SourceItem>& items, const WriteOptions& options);

// The stored form of a name: Shift-JIS with '\' separators when every
// character converts, UTF-8 otherwise; `utf8` says which.
std::string storedName(const std::string& utf8Name, bool& utf8);

}  // namespace fmt::cab
