// Most-significant-bit-first writer for the LHA bit stream, with the output
// budget the encoder's `limit` sets.
#pragma once
#include <cstdint>
#include <vector>

#include "core/stream.h"

namespace fmt::codecs {

class LhBitWriter {
 public:
  LhBitWriter(OutStream& out, uint64_t limit) : out_(out), limit_(limit) { buf_.reserve(kFlushAt + 64); }

  // n <= 32
  void put(int n, uint32_t v) {
    acc_ = (acc_ << n) | (v & ((uint64_t{1} << n) - 1));
    bits_ += n;
    if (bits_ >= 32) {
      bits_ -= 32;
      uint32_t w = static_cast<uint32_t>(acc_ >> bits_);
      uint8_t b[4] = {static_cast<uint8_t>(w >> 24), static_cast<uint8_t>(w >> 16), static_cast<uint8_t>(w >> 8),
                      static_cast<uint8_t>(w)};
      buf_.insert(buf_.end(), b, b + 4);
      if (buf_.size() >= kFlushAt) flush();
    }
  }

  // Pads the last byte with zero bits and writes everything out.
  void finish() {
    while (bits_ >= 8) {
      bits_ -= 8;
      buf_.push_back(static_cast<uint8_t>(acc_ >> bits_));
    }
    if (bits_ > 0) buf_.push_back(static_cast<uint8_t>(acc_ << (8 - bits_)));
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

  uint64_t bitCount() const { return (written_ + buf_.size()) * 8 + static_cast<uint64_t>(bits_); }

  // Bytes the stream holds so far, counting whole bytes started.
  uint64_t size() const { return written_ + buf_.size() + (bits_ + 7) / 8; }
  // True once the stream has grown past the limit; nothing past it is written.
  bool overLimit() const { return size() > limit_; }

 private:
  static constexpr size_t kFlushAt = 1 << 16;

  void flush() {
    uint64_t room = limit_ > written_ ? limit_ - written_ : 0;
    size_t n = buf_.size() < room ? buf_.size() : static_cast<size_t>(room);
    if (n) out_.write(buf_.data(), n);
    written_ += buf_.size();
    buf_.clear();
  }

  OutStream& out_;
  uint64_t limit_;
  std::vector<uint8_t> buf_;
  uint64_t acc_ = 0;
  int bits_ = 0;
  uint64_t written_ = 0;
};

}  // namespace fmt::codecs
