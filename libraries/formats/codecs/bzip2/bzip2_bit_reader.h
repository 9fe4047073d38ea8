// MSB-first bit reader for the bzip2 decoder. It keeps its own input buffer, so
// that what follows one stream (the next stream, or nothing) is still at hand
// after the first one ends on a byte boundary.
#pragma once
#include <cstdint>
#include <vector>

#include "base/stream.h"

namespace fmt::codecs::bz2 {

class BitReader {
 public:
  explicit BitReader(InStream& in) : in_(in), data_(1 << 16) {}

  // Makes at least 57 bits available (zeros past the end; see overrun()).
  void refill() {
    if (end_ - pos_ >= 8) {
      uint64_t v;
      std::memcpy(&v, pos_, 8);
      v = __builtin_bswap64(v);
      buf_ |= v >> count_;
      pos_ += (63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    slowRefill();
  }
  int available() const { return count_; }
  // The next n (1..32) bits; refill() must have made them available.
  uint32_t peek(int n) const { return static_cast<uint32_t>(buf_ >> (64 - n)); }
  void skip(int n) {
    buf_ <<= n;
    count_ -= n;
  }
  uint32_t bits(int n) {
    if (count_ < n) refill();
    uint32_t v = peek(n);
    skip(n);
    return v;
  }
  bool bit() { return bits(1) != 0; }

  void alignToByte() { skip(count_ & 7); }
  // At a byte boundary: true when no real input byte is left.
  bool atEnd() {
    if (count_ - pad_ * 8 > 0) return false;
    if (pos_ < end_) return false;
    return !fill();
  }
  // True when bits past the end of the input were consumed: the data is truncated.
  bool overrun() const { return pad_ * 8 > count_; }
  void checkOverrun() const {
    if (overrun()) fail(ErrorKind::Truncated, "bzip2 data ends early");
  }

 private:
  void slowRefill() {
    while (count_ <= 56) {
      if (pos_ == end_ && !fill()) {
        // Zeros keep look-ahead simple; reading far past them means truncation.
        if (++pad_ > 16) fail(ErrorKind::Truncated, "bzip2 data ends early");
        count_ += 8;
        continue;
      }
      buf_ |= static_cast<uint64_t>(*pos_++) << (56 - count_);
      count_ += 8;
    }
  }
  bool fill() {
    if (pad_ > 0) return false;  // the input already ended
    size_t n = in_.read(data_.data(), data_.size());
    pos_ = data_.data();
    end_ = pos_ + n;
    return n > 0;
  }

  InStream& in_;
  std::vector<uint8_t> data_;
  const uint8_t* pos_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t buf_ = 0;
  int count_ = 0;
  int pad_ = 0;  // zero bytes fed after the end of the input
};

}  // namespace fmt::codecs::bz2
