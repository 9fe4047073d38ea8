// The LZX bit stream: 16-bit little-endian words, each read from its most
// significant bit down.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fmt::codecs::lzx {

class BitReader {
 public:
  void start(const uint8_t* p, size_t n, size_t at = 0) {
    p_ = p;
    n_ = n;
    pos_ = at;
    buf_ = 0;
    bits_ = 0;
  }

  // Tops the buffer up to at least 49 bits. Past the end of the input it feeds
  // zero words; overrun() tells afterwards whether they were consumed.
  void refill() {
    while (bits_ <= 48) {
      uint64_t w;
      if (pos_ + 1 < n_)
        w = p_[pos_] | (static_cast<uint32_t>(p_[pos_ + 1]) << 8);
      else
        w = pos_ < n_ ? p_[pos_] : 0;
      pos_ += 2;
      buf_ |= w << (48 - bits_);
      bits_ += 16;
    }
  }

  // n in 1..32; the buffer must hold n bits.
  uint32_t peek(int n) const { return static_cast<uint32_t>(buf_ >> (64 - n)); }
  void skip(int n) {
    buf_ <<= n;
    bits_ -= n;
  }
  uint32_t read(int n) {
    if (n == 0) return 0;
    if (bits_ < n) refill();
    uint32_t v = peek(n);
    skip(n);
    return v;
  }

  // Drops 1 to 16 bits to reach the next 16-bit boundary and returns the byte
  // position there; the reader is then empty (byte access follows).
  size_t alignToBytes() {
    if (bits_ < 16) refill();
    int drop = bits_ % 16;
    skip(drop == 0 ? 16 : drop);
    size_t at = pos_ - static_cast<size_t>(bits_ / 8);
    start(p_, n_, at);
    return at;
  }

  // True when more bits were consumed than the input holds.
  bool overrun() const { return pos_ * 8 - static_cast<size_t>(bits_) > n_ * 8; }

 private:
  const uint8_t* p_ = nullptr;
  size_t n_ = 0;
  size_t pos_ = 0;  // next byte to load; may pass n_ (zeros are fed there)
  uint64_t buf_ = 0;
  int bits_ = 0;
};

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  // n in 0..24.
  void put(uint32_t value, int n) {
    acc_ = (acc_ << n) | (value & ((1u << n) - 1));
    bits_ += n;
    while (bits_ >= 16) {
      bits_ -= 16;
      uint32_t w = static_cast<uint32_t>(acc_ >> bits_) & 0xFFFF;
      out_.push_back(static_cast<uint8_t>(w));
      out_.push_back(static_cast<uint8_t>(w >> 8));
    }
  }
  // Pads with zero bits to the next 16-bit boundary (nothing when aligned).
  void flush() {
    if (bits_) put(0, 16 - bits_);
  }
  int pending() const { return bits_; }
  std::vector<uint8_t>& bytes() { return out_; }

 private:
  std::vector<uint8_t>& out_;
  uint64_t acc_ = 0;
  int bits_ = 0;
};

}  // namespace fmt::codecs::lzx
