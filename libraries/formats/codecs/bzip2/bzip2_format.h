// Constants of the bzip2 stream layout shared by the decoder and the encoder,
// and its check value: CRC-32 with polynomial 04C11DB7 taken most significant
// bit first (not the reflected form ZIP uses).
#pragma once
#include <cstddef>
#include <cstdint>

namespace fmt::codecs::bz2 {

constexpr uint64_t kBlockMagic = 0x314159265359ull;   // BCD digits of pi
constexpr uint64_t kStreamEndMagic = 0x177245385090ull;  // BCD digits of sqrt(pi)

constexpr int kMaxGroups = 6;          // Huffman tables per block
constexpr int kMinGroups = 2;
constexpr int kGroupSize = 50;         // symbols coded with one table
constexpr int kMaxAlphabet = 258;      // RUNA, RUNB, 255 MTF positions, end of block
constexpr int kMaxCodeLength = 20;     // what a decoder must accept
constexpr int kEncoderMaxCodeLength = 17;
constexpr int kMaxSelectors = 18002;   // enough for 900000 symbols and the end code
constexpr int kRunA = 0;
constexpr int kRunB = 1;

// Uncompressed block capacity (after the run-length step) for levels 1..9.
constexpr uint32_t blockCapacity(int level) { return static_cast<uint32_t>(level) * 100000u; }

// Block CRC: start with 0xFFFFFFFF, feed bytes, complement at the end.
uint32_t crcUpdate(uint32_t crc, const void* data, size_t n);
inline uint32_t combineStreamCrc(uint32_t combined, uint32_t blockCrc) {
  return ((combined << 1) | (combined >> 31)) ^ blockCrc;
}

// Old encoders could "randomise" a block to dodge slow sorting: the BWT input bytes
// were XORed with 1 at positions this table spaces out (cycling through its 512 gaps);
// the mask is the same in both directions.
class RandomMask {
 public:
  // Returns 1 at the positions that were flipped, 0 elsewhere; call once per byte.
  uint8_t next() {
    if (toGo_ == 0) {
      toGo_ = kGaps[index_];
      index_ = (index_ + 1) & 511;
    }
    --toGo_;
    return toGo_ == 1 ? 1 : 0;
  }

 private:
  static const uint16_t kGaps[512];
  int toGo_ = 0;
  int index_ = 0;
};

}  // namespace fmt::codecs::bz2
