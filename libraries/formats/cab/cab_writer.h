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
  // Non-zero: a set of cabinets, each at most this many bytes, named by
  // volumeName(). A block at a volume's end is split into the next; a volume
  // must still hold one whole block (up to 32 KB and a little) with its
  // directory. A file may run on through any number of volumes.
  uint64_t volumeLimit = 0;
  ProgressFn progress;  // bytes of input done, of all
};

// Writes the files of `items` into a new cabinet at `archivePath` (or a set
// starting there) through AtomicFiles; folders are left out (cabinets hold none: the names carry them),
// and of the attributes the read-only, hidden, system and archive bits are kept.
// Throws Usage for what a cabinet cannot hold (a name over 255 bytes, a file
// over 2 GB, a cabinet over 4 GB, a volume limit below one block), Io and
// Cancelled otherwise; the targets are then left as they were. A set's volumes
// are put in place only once all are written. Returns the paths written, in order.
std::vector<std::string> writeCabinet(const std::string& archivePath, const std::vector<SourceItem>& items, const WriteOptions& options);

// The path of volume `index` (from 0) of a set whose first volume is
// `firstPath`: the number index + 1 goes before the extension of the last
// component from the second on (ARCHIVE.cab, ARCHIVE2.cab, ARCHIVE3.cab...).
std::string volumeName(const std::string& firstPath, size_t index);

// The stored form of a name: Shift-JIS with '\' separators when every
// character converts, UTF-8 otherwise; `utf8` says which.
std::string storedName(const std::string& utf8Name, bool& utf8);

}  // namespace fmt::cab
