// One bzip2 block on the way out: BWT, move-to-front with zero runs as RUNA/RUNB,
// Huffman tables, and the block's bits.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "codecs/bzip2/bzip2_bit_writer.h"
#include "codecs/bzip2/bzip2_bwt_sort.h"
#include "codecs/bzip2/bzip2_huffman_encoder.h"

namespace fmt::codecs::bz2 {

class BlockEncoder {
 public:
  // Writes block[0..n) (already through the run-length step; n >= 1), whose
  // uncompressed bytes have CRC `crc`. With `randomise` the block is written in
  // the old randomised form (only for tests of the decoder's support for it).
  void encode(const uint8_t* block, uint32_t n, uint32_t crc, BitWriter& out, bool randomise = false);

 private:
  uint32_t moveToFront(const uint8_t* block, uint32_t n, int inUse, const uint8_t* seq);
  void writeTables(BitWriter& out, int alphabet);

  RotationSorter sorter_;
  std::vector<uint32_t> order_;
  std::vector<uint8_t> masked_;
  std::vector<uint16_t> symbols_;
  uint32_t freq_[kMaxAlphabet] = {};
  std::unique_ptr<TableChoice> tables_ = std::make_unique<TableChoice>();
};

}  // namespace fmt::codecs::bz2
