// A folder's uncompressed bytes, block after block across the parts of a set,
// with each CFDATA checksum verified where one is stored.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "cab/cab_codecs.h"
#include "cab/cab_set.h"

namespace fmt::cab {

class FolderReader {
 public:
  // Throws Unsupported for an unknown method, Truncated when the folder's start
  // lies in a cabinet that is not there.
  FolderReader(const CabinetSet& set, size_t folder);

  size_t folder() const { return folder_; }
  uint64_t position() const { return position_; }
  // Up to n bytes; fewer only at the folder's end. Throws on damage.
  size_t read(uint8_t* out, size_t n);
  // Decodes and drops n bytes; throws Truncated if the folder ends first.
  void skip(uint64_t n);

 private:
  bool nextBlock();
  void readPiece(const Volume& v, std::vector<uint8_t>& data, uint16_t& uncompressed);

  const CabinetSet& set_;
  size_t folder_;
  std::unique_ptr<BlockDecoder> decoder_;
  size_t part_ = 0;
  uint32_t blockInPart_ = 0;
  uint64_t filePos_ = 0;
  std::vector<uint8_t> in_, out_;
  size_t outAt_ = 0;
  uint64_t position_ = 0;
  uint64_t blockNumber_ = 0;
};

}  // namespace fmt::cab
