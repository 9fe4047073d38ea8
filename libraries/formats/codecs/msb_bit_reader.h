// Bits most significant first over bytes, through a 64-bit buffer: the order of
// the LHA, LArc and PMarc streams, of bzip2 and of Quantum (LZX's 16-bit
// little-endian words and deflate's least significant bit first keep readers of
// their own). It reads from memory, or from a stream 64 KB at a time into a
// buffer of its own, so that what follows a bzip2 stream ending on a byte
// boundary is still at hand. Past the end of the input it feeds zero bytes, so
// that a look-ahead near the end works; overrun() tells whether any were consumed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/error.h"
#include "base/stream.h"

namespace fmt::codecs {

class MsbBitReader {
 public:
  // Feeding more than `maxZeroBytes` zeros means hostile input: Truncated with `message`.
  struct PastEnd {
    uint32_t maxZeroBytes = 64;
    const char* message = "compressed data ends early";
  };

  MsbBitReader(InStream& in, PastEnd pastEnd) : in_(&in), chunk_(1 << 16), pastEnd_(pastEnd) {}
  MsbBitReader(const uint8_t* data, size_t size, PastEnd pastEnd) : pos_(data), end_(data + size), pastEnd_(pastEnd) {}
  explicit MsbBitReader(InStream& in) : MsbBitReader(in, PastEnd{}) {}

  // Makes at least `n` (<= 56) bits available.
  void ensure(int n) {
    if (count_ < n) refill();
  }
  int available() const { return count_; }
  // The next `n` (1..32) bits, which must have been made available.
  uint32_t peek(int n) const { return static_cast<uint32_t>(buf_ >> (64 - n)); }
  void skip(int n) {
    buf_ <<= n;
    count_ -= n;
  }
  // As bits(), when the caller has made them available.
  uint32_t take(int n) {
    if (n == 0) return 0;
    const uint32_t v = peek(n);
    skip(n);
    return v;
  }
  // The next `n` (0..32) bits.
  uint32_t bits(int n) {
    ensure(n);
    return take(n);
  }
  bool bit() { return bits(1) != 0; }

  void alignToByte() { skip(count_ & 7); }
  // At a byte boundary: true when no byte of the input is left.
  bool atEnd() {
    if (count_ > static_cast<int64_t>(zeros_) * 8) return false;
    if (pos_ < end_) return false;
    return !fill();
  }
  // True when more than `slackBits` bits past the end of the input were consumed;
  // with none allowed, the data is truncated.
  bool overrun(int slackBits = 0) const { return static_cast<int64_t>(zeros_) * 8 - count_ > slackBits; }
  void checkOverrun(int slackBits = 0) const {
    if (overrun(slackBits)) fail(ErrorKind::Truncated, pastEnd_.message);
  }

 private:
  // With 8 bytes at hand one load tops the buffer up to 56..63 bits.
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
  void slowRefill() {
    while (count_ <= 56) {
      if (pos_ == end_ && !fill()) {
        if (++zeros_ > pastEnd_.maxZeroBytes) fail(ErrorKind::Truncated, pastEnd_.message);
        count_ += 8;
        continue;
      }
      buf_ |= static_cast<uint64_t>(*pos_++) << (56 - count_);
      count_ += 8;
    }
  }
  bool fill() {
    if (!in_ || zeros_ > 0) return false;  // memory, or the stream already ended
    const size_t got = in_->read(chunk_.data(), chunk_.size());
    pos_ = chunk_.data();
    end_ = pos_ + got;
    return got != 0;
  }

  InStream* in_ = nullptr;
  std::vector<uint8_t> chunk_;
  const uint8_t* pos_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t buf_ = 0;
  int count_ = 0;
  uint32_t zeros_ = 0;  // zero bytes fed past the end
  PastEnd pastEnd_;
};

}  // namespace fmt::codecs
