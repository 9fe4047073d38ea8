// Most-significant-bit-first writer for the LHA bit stream, with the output
// budget the encoder's `limit` sets.
#pragma once
#include <cstdint>
#include <vector>

#include "base/stream.h"

namespace fmt::codecs {

class LhBitWriter {
 public:
  LhBitWriter(OutStream& out, uint64_t limit) : out_(out), limit_(limit), buf_(kFlushAt + 8) {}

  // n <= 32
  void put(int n, uint32_t v) {
    acc_ = (acc_ << n) | (v & ((uint64_t{1} << n) - 1));
    bits_ += n;
    if (bits_ >= 32) {
      bits_ -= 32;
      const uint32_t w = static_cast<uint32_t>(acc_ >> bits_);
      uint8_t* b = buf_.data() + used_;
      b[0] = static_cast<uint8_t>(w >> 24);
      b[1] = static_cast<uint8_t>(w >> 16);
      b[2] = static_cast<uint8_t>(w >> 8);
      b[3] = static_cast<uint8_t>(w);
      used_ += 4;
      if (used_ >= kFlushAt) flush();
    }
  }

  // Pads the last byte with zero bits and writes everything out.
  void finish() {
    while (bits_ >= 8) {
      bits_ -= 8;
      buf_[used_++] = static_cast<uint8_t>(acc_ >> bits_);
    }
    if (bits_ > 0) buf_[used_++] = static_cast<uint8_t>(acc_ << (8 - bits_));
    bits_ = 0;
    flush();
  }

  // Appends a stream another writer made: its first `nbits` bits.
  void append(const std::vector<uint8_t>& bytes, uint64_t nbits) {
    size_t i = 0;
    for (; nbits >= 32; nbits -= 32, i += 4)
      put(32, static_cast<uint32_t>(bytes[i]) << 24 | static_cast<uint32_t>(bytes[i + 1]) << 16 |
                  static_cast<uint32_t>(bytes[i + 2]) << 8 | bytes[i + 3]);
    for (; nbits >= 8; nbits -= 8) put(8, bytes[i++]);
    if (nbits) put(static_cast<int>(nbits), static_cast<uint32_t>(bytes[i] >> (8 - nbits)));
  }

  uint64_t bitCount() const { return (written_ + used_) * 8 + static_cast<uint64_t>(bits_); }

  // Bytes the stream holds so far, counting whole bytes started.
  uint64_t size() const { return written_ + used_ + (bits_ + 7) / 8; }
  // True once the stream has grown past the limit; nothing past it is written.
  bool overLimit() const { return size() > limit_; }

 private:
  static constexpr size_t kFlushAt = 1 << 16;

  void flush() {
    uint64_t room = limit_ > written_ ? limit_ - written_ : 0;
    size_t n = used_ < room ? used_ : static_cast<size_t>(room);
    if (n) out_.write(buf_.data(), n);
    written_ += used_;
    used_ = 0;
  }

  OutStream& out_;
  uint64_t limit_;
  std::vector<uint8_t> buf_;
  size_t used_ = 0;
  uint64_t acc_ = 0;
  int bits_ = 0;
  uint64_t written_ = 0;
};

}  // namespace fmt::codecs
