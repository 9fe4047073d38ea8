// A cabinet set: the cabinets found in one file (self-extractors may hold
// several) and, for a multi-volume set, its other parts lying in the same
// folder, with the folders that span parts joined into one.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cab/cab_format.h"
#include "platform/platform.h"

namespace fmt::cab {

struct Volume {
  std::string path;
  std::shared_ptr<platform::File> file;
  Cabinet cab;
};

// One folder's run of CFDATA blocks inside one volume.
struct FolderPart {
  size_t volume = 0;
  uint32_t dataOffset = 0;
  uint16_t dataCount = 0;
};

struct SetFolder {
  uint16_t typeCompress = 0;
  std::vector<FolderPart> parts;
  std::string missingBefore;  // the absent cabinet holding the folder's start
  std::string missingAfter;   // the absent cabinet holding its end
  bool sizesKnown = false;    // totals below walked from the CFDATA headers
  uint64_t packed = 0, unpacked = 0;
};

struct SetFile {
  FileRecord record;
  size_t folder = 0;  // into CabinetSet::folders
};

struct CabinetSet {
  std::vector<Volume> volumes;
  std::vector<SetFolder> folders;
  std::vector<SetFile> files;
  std::vector<std::string> warnings;
};

// Builds the set from the cabinets at `bases` of the open file `path`: each
// cabinet with its previous and next parts, found beside it by name (any case)
// or else by set id and index.
CabinetSet openSet(const std::string& path, std::shared_ptr<platform::File> file, const std::vector<uint64_t>& bases);

}  // namespace fmt::cab
