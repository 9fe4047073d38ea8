// Most-significant-bit-first reader over a byte stream with a 64-bit buffer, as
// the LHA, LArc and PMarc bit streams are written.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/stream.h"

namespace fmt::codecs {

class BitReader {
 public:
  explicit BitReader(InStream& in, size_t chunk = 1 << 16) : in_(in), chunk_(chunk) {}

  // Makes at least `n` (<= 57) bits available.
  void ensure(int n) {
    if (count_ < n) refill();
  }
  // The next `n` (1..32) bits, which must have been made available.
  uint32_t peek(int n) const { return static_cast<uint32_t>(buf_ >> (64 - n)); }
  void skip(int n) {
    buf_ <<= n;
    count_ -= n;
  }
  uint32_t bits(int n) {
    if (n == 0) return 0;
    ensure(n);
    uint32_t v = peek(n);
    skip(n);
    return v;
  }
  bool bit() { return bits(1) != 0; }
  // As bits(), when the caller has made them available.
  uint32_t take(int n) {
    if (n == 0) return 0;
    uint32_t v = peek(n);
    skip(n);
    return v;
  }

  // True when more bits were taken than the stream holds: the data is truncated.
  bool overrun() const { return static_cast<int64_t>(padBytes_) * 8 > count_; }

 private:
  void refill() {
    if (end_ - pos_ >= 8) {
      uint64_t v = 0;
      for (int i = 0; i < 8; ++i) v = (v << 8) | pos_[i];
      int take = (64 - count_) >> 3;
      buf_ |= v >> count_;
      pos_ += take;
      count_ += take * 8;
      return;
    }
    while (count_ <= 56) {
      if (pos_ == end_ && !fill()) {
        // Past the end: feed zeros so that look-ahead works; overrun() tells
        // whether any of them were consumed. Far past the end is hostile input.
        if (++padBytes_ > 64) fail(ErrorKind::Truncated, "compressed data ends early");
        count_ += 8;
        continue;
      }
      buf_ |= static_cast<uint64_t>(*pos_++) << (56 - count_);
      count_ += 8;
    }
  }
  bool fill() {
    if (data_.empty()) data_.resize(chunk_);
    size_t got = in_.read(data_.data(), data_.size());
    pos_ = data_.data();
    end_ = pos_ + got;
    return got != 0;
  }

  InStream& in_;
  size_t chunk_;
  std::vector<uint8_t> data_;
  const uint8_t* pos_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t buf_ = 0;
  int count_ = 0;
  uint32_t padBytes_ = 0;
};

}  // namespace fmt::codecs
