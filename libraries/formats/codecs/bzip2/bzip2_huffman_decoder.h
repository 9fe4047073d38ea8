// Canonical Huffman decoding table for one bzip2 coding table: a direct lookup on
// the next kFastBits bits, and per-length limits for the rare longer codes.
#pragma once
#include <cstdint>

#include "codecs/bzip2/bzip2_format.h"
#include "codecs/msb_bit_reader.h"

namespace fmt::codecs::bz2 {

class HuffmanDecoder {
 public:
  static constexpr int kFastBits = 10;

  // `lengths` (1..20 each) for `count` symbols; throws Corrupt when over-subscribed.
  void build(const uint8_t* lengths, int count);

  // Needs kMaxCodeLength bits available in `br`.
  int decode(MsbBitReader& br) const {
    uint16_t e = fast_[br.peek(kFastBits)];
    if (e & 0x1F) {
      br.skip(e & 0x1F);
      return e >> 5;
    }
    return decodeLong(br);
  }

 private:
  int decodeLong(MsbBitReader& br) const;

  uint16_t fast_[1 << kFastBits];    // symbol << 5 | length, 0 where the code is longer
  int32_t limit_[kMaxCodeLength + 2];  // one past the last code of each length
  int32_t offset_[kMaxCodeLength + 2]; // index in sorted_ of a length's codes, minus its first code
  uint16_t sorted_[kMaxAlphabet];
  int maxLength_ = 0;
};

}  // namespace fmt::codecs::bz2
