// One bzip2 block on the way back: its Huffman-coded MTF symbols are decoded into
// the BWT column, linked for the inverse transform, and then produced on demand
// (run-length step undone, CRC kept) so that memory stays at the block tables
// however far a block's runs expand.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/bzip2/bzip2_format.h"
#include "codecs/msb_bit_reader.h"

namespace fmt::codecs::bz2 {

class BlockDecoder {
 public:
  // Reads a block whose magic has just been read; `capacity` is the stream's block
  // size. Throws Corrupt or Truncated.
  void read(MsbBitReader& br, uint32_t capacity);

  // Writes up to n decoded bytes; fewer only when the block is finished.
  size_t produce(uint8_t* out, size_t n);
  bool finished() const { return left_ == 0 && repeat_ == 0; }
  uint32_t storedCrc() const { return storedCrc_; }
  uint32_t computedCrc() const { return ~crc_; }

 private:
  void readSymbols(MsbBitReader& br, uint32_t capacity);
  template <bool Randomised>
  size_t produceFrom(uint8_t* out, size_t n);

  // tt[i]: low byte the BWT column byte at i, upper 24 bits the link to the next row.
  std::vector<uint32_t> tt_;
  uint8_t seqToByte_[256] = {};
  int inUse_ = 0;
  int groups_ = 0;
  int selectorCount_ = 0;
  uint8_t selectors_[kMaxSelectors] = {};
  uint8_t lengths_[kMaxGroups][kMaxAlphabet] = {};

  uint32_t storedCrc_ = 0;
  uint32_t crc_ = 0xFFFFFFFFu;
  bool randomised_ = false;
  RandomMask mask_;
  uint32_t pos_ = 0;     // next row of the inverse transform
  uint32_t left_ = 0;    // rows still to visit
  int last_ = -1;        // previous output byte, for the run-length step
  int runLength_ = 0;    // how many times it came in a row (4: a count byte follows)
  uint32_t repeat_ = 0;  // copies of last_ still owed from a count byte
};

}  // namespace fmt::codecs::bz2
