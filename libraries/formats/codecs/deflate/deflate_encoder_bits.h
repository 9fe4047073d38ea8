// Least-significant-bit-first writer for the deflate bit stream, appending to
// a byte vector.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

namespace fmt::codecs::deflate {

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}

  // n <= 32; v holds no bits above n.
  void put(uint32_t v, int n) {
    acc_ |= static_cast<uint64_t>(v) << bits_;
    bits_ += n;
    if (bits_ >= 32) {
      const size_t at = out_.size();
      out_.resize(at + 4);
      const uint32_t w = static_cast<uint32_t>(acc_);
      uint8_t le[4] = {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w >> 16),
                       static_cast<uint8_t>(w >> 24)};
      std::memcpy(out_.data() + at, le, 4);
      acc_ >>= 32;
      bits_ -= 32;
    }
  }

  // Pads with zero bits to the next byte boundary and flushes what is pending.
  void alignToByte() {
    while (bits_ > 0) {
      out_.push_back(static_cast<uint8_t>(acc_));
      acc_ >>= 8;
      bits_ = bits_ > 8 ? bits_ - 8 : 0;
    }
    acc_ = 0;
  }

  // Whole bytes, after alignToByte().
  void putBytes(const uint8_t* p, size_t n) { out_.insert(out_.end(), p, p + n); }

  uint64_t bitCount() const { return out_.size() * 8ull + static_cast<uint64_t>(bits_); }

 private:
  std::vector<uint8_t>& out_;
  uint64_t acc_ = 0;
  int bits_ = 0;
};

// Huffman codes go out first bit first, so the canonical code is reversed.
inline uint16_t reverseBits(uint16_t code, int len) {
  uint32_t r = 0;
  for (int i = 0; i < len; ++i) r |= ((code >> i) & 1u) << (len - 1 - i);
  return static_cast<uint16_t>(r);
}

}  // namespace fmt::codecs::deflate
