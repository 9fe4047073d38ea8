// Canonical Huffman decoding by table look-up: codes up to `primaryBits` long
// resolve in one step, longer ones (up to 16 bits) through a second table.
// Codes are assigned shortest first, in symbol order within a length, as the
// LHA and PMarc formats define them.
#pragma once
#include <cstdint>
#include <vector>

#include "codecs/msb_bit_reader.h"
#include "base/error.h"

namespace fmt::codecs {

class HuffmanTable {
 public:
  static constexpr int kMaxBits = 16;

  explicit HuffmanTable(int primaryBits) : bits_(primaryBits), primary_(size_t(1) << primaryBits) {}

  // Builds from code lengths (0 = unused). Returns false when the lengths claim
  // more codes than fit; an incomplete set is accepted, its holes fail on use.
  bool build(const uint8_t* lengths, int count);
  // Every look-up yields `symbol` and takes no bits (a block with one code).
  void single(int symbol);

  int decode(MsbBitReader& br) const {
    br.ensure(kMaxBits);
    return decodeAvailable(br);
  }
  // As decode(), when the caller has made kMaxBits bits available.
  int decodeAvailable(MsbBitReader& br) const {
    uint32_t e = primary_[br.peek(bits_)];
    if (e & kSecondary) [[unlikely]]
      e = secondary_[(e & 0xFFFF) + (br.peek(kMaxBits) & ((1u << (kMaxBits - bits_)) - 1))];
    int len = static_cast<int>((e >> 16) & 0x1F);
    if (len == 0) [[unlikely]]
      return emptyCode(e);
    br.skip(len);
    return static_cast<int>(e & 0xFFFF);
  }

 private:
  static constexpr uint32_t kSecondary = 0x80000000u;
  static constexpr uint32_t kSingle = 0x40000000u;

  int emptyCode(uint32_t e) const {
    if (!(e & kSingle)) fail(ErrorKind::Corrupt, "invalid Huffman code");
    return single_;
  }

  int bits_;
  int single_ = 0;
  std::vector<uint32_t> primary_;    // symbol | length << 16, or a secondary index
  std::vector<uint32_t> secondary_;  // blocks of 2^(16 - bits_) entries
};

}  // namespace fmt::codecs
