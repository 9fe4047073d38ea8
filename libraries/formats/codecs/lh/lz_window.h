// The sliding window of the LZ decoders: a ring of past output that matches copy
// from, written to the output stream each time it fills.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/stream.h"

namespace fmt::codecs {

class LzWindow {
 public:
  // The ring (2^ringBits) must be at least twice the longest distance the
  // method can encode. Before the first byte the window holds `fill` (LHA
  // programs start from spaces).
  LzWindow(OutStream& out, uint64_t total, int ringBits, uint8_t fill = ' ')
      : buf_(size_t(1) << ringBits, fill), size_(buf_.size()), out_(out), left_(total) {}

  uint64_t remaining() const { return left_; }

  // Sets what the window holds before the first byte, oldest first (at most the
  // ring's size); for methods whose encoders start from a fixed pattern.
  void preset(const uint8_t* history, size_t n) { std::memcpy(buf_.data() + size_ - n, history, n); }

  void put(uint8_t b) {
    buf_[pos_++] = b;
    --left_;
    if (pos_ == size_) wrap();
  }

  // Copies `len` bytes from `dist` (1..ring size) back; stops at the total.
  void copy(size_t dist, size_t len) {
    if (len > left_) len = static_cast<size_t>(left_);
    left_ -= len;
    size_t src = (pos_ - dist) & (size_ - 1);
    uint8_t* b = buf_.data();
    // Most matches are short: one fixed 16-byte move. The bytes it writes past
    // the match are the ring's oldest, farther back than any distance (the
    // ring is at least twice the longest one), and rewritten before use.
    if (len <= 16 && dist >= 16 && pos_ + 16 <= size_ && src + 16 <= size_) {
      std::memcpy(b + pos_, b + src, 16);
      pos_ += len;
      if (pos_ == size_) wrap();
      return;
    }
    while (len) {
      size_t n = std::min({len, size_ - pos_, size_ - src});
      if (src > pos_ || pos_ - src >= n) {
        std::memmove(b + pos_, b + src, n);
      } else if (pos_ - src == 1) {
        std::memset(b + pos_, b[src], n);
      } else {
        // The source overlaps what is being written: a run with period
        // pos_ - src, copied in chunks that double as the run grows.
        for (size_t k = 0; k < n;) {
          size_t c = std::min(n - k, pos_ + k - src);
          std::memcpy(b + pos_ + k, b + src, c);
          k += c;
        }
      }
      pos_ += n;
      src += n;
      len -= n;
      if (src == size_) src = 0;
      if (pos_ == size_) wrap();
    }
  }

  // Writes out what is not yet written; call once at the end.
  void flush() {
    if (pos_ > written_) out_.write(buf_.data() + written_, pos_ - written_);
    written_ = pos_;
  }

 private:
  void wrap() {
    out_.write(buf_.data() + written_, size_ - written_);
    pos_ = 0;
    written_ = 0;
  }

  std::vector<uint8_t> buf_;
  size_t size_;
  size_t pos_ = 0;
  size_t written_ = 0;
  OutStream& out_;
  uint64_t left_;
};

}  // namespace fmt::codecs
