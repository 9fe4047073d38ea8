// Canonical Huffman codes as LZX uses them: lengths up to 16, codes assigned in
// symbol order within each length, read most significant bit first.
#pragma once
#include <cstdint>
#include <vector>

#include "codecs/lzx/lzx_bits.h"
#include "codecs/lzx/lzx_format.h"
#include "base/error.h"

namespace fmt::codecs::lzx {

class HuffmanDecoder {
 public:
  // Lengths 0..16 (0: symbol unused). An empty or incomplete code is accepted
  // and only fails when an unassigned code is met; an oversubscribed one is Corrupt.
  void build(const uint8_t* lengths, int count, int tableBits);

  // The reader must hold at least 16 bits (refill() first).
  int decode(BitReader& br) const {
    uint16_t e = table_[br.peek(tableBits_)];
    if (e & 0x1F) {
      br.skip(e & 0x1F);
      return e >> 5;
    }
    return decodeLong(br);
  }

 private:
  int decodeLong(BitReader& br) const;

  int tableBits_ = 1;
  std::vector<uint16_t> table_;  // symbol << 5 | length, 0 when longer or unassigned
  uint32_t firstCode_[17] = {};
  uint16_t count_[17] = {};
  uint16_t offset_[17] = {};
  std::vector<uint16_t> sorted_;  // symbols by (length, symbol)
};

// Code lengths for the given frequencies, none above maxLength; unused symbols
// get 0. The code is always complete (Kraft sum 1) unless nothing is used:
// a lone used symbol shares the two one-bit codes with an unused neighbour.
std::vector<uint8_t> buildLengths(const uint32_t* freqs, int count, int maxLength);

// Canonical codes for the lengths.
std::vector<uint16_t> canonicalCodes(const uint8_t* lengths, int count);

}  // namespace fmt::codecs::lzx
