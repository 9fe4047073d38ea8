// MSB-first bit writer for the bzip2 encoder, into a byte buffer drained after each block.
#pragma once
#include <cstdint>
#include <vector>

#include "base/stream.h"

namespace fmt::codecs::bz2 {

class BitWriter {
 public:
  // Appends the low n (0..32) bits of v.
  void put(int n, uint32_t v) {
    acc_ = (acc_ << n) | v;
    count_ += n;
    if (count_ >= 32) {
      count_ -= 32;
      uint32_t w = static_cast<uint32_t>(acc_ >> count_);
      uint8_t b[4] = {static_cast<uint8_t>(w >> 24), static_cast<uint8_t>(w >> 16), static_cast<uint8_t>(w >> 8),
                      static_cast<uint8_t>(w)};
      bytes_.insert(bytes_.end(), b, b + 4);
    }
  }
  void put48(uint64_t v) {
    put(24, static_cast<uint32_t>(v >> 24));
    put(24, static_cast<uint32_t>(v & 0xFFFFFF));
  }
  // Pads with zero bits to a whole byte.
  void alignToByte() {
    if (count_ & 7) put(8 - (count_ & 7), 0);
  }
  // Writes the whole bytes so far; the bits of a partial byte stay.
  uint64_t drainTo(OutStream& out) {
    while (count_ >= 8) {
      count_ -= 8;
      bytes_.push_back(static_cast<uint8_t>(acc_ >> count_));
    }
    uint64_t n = bytes_.size();
    if (n) out.write(bytes_.data(), bytes_.size());
    bytes_.clear();
    return n;
  }

 private:
  std::vector<uint8_t> bytes_;
  uint64_t acc_ = 0;
  int count_ = 0;
};

}  // namespace fmt::codecs::bz2
