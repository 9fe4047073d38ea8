// MD5 for comparing extracted bytes with the sums other tools print. Test-only:
// the engines never need it.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace testsupport {

class Md5 {
 public:
  Md5() {
    for (int i = 0; i < 64; i++) k_[i] = static_cast<uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
  }
  void update(const void* data, size_t n) {
    auto* p = static_cast<const uint8_t*>(data);
    length_ += n;
    while (n) {
      size_t k = std::min(n, sizeof block_ - used_);
      std::memcpy(block_ + used_, p, k);
      used_ += k, p += k, n -= k;
      if (used_ == sizeof block_) compress(), used_ = 0;
    }
  }
  std::string hex() {
    uint64_t bits = length_ * 8;
    uint8_t pad = 0x80;
    update(&pad, 1);
    pad = 0;
    while (used_ != 56) update(&pad, 1);
    uint8_t len[8];
    for (int i = 0; i < 8; i++) len[i] = static_cast<uint8_t>(bits >> (8 * i));
    update(len, 8);
    std::string out;
    static const char* digits = "0123456789abcdef";
    for (uint32_t v : h_)
      for (int i = 0; i < 4; i++) {
        uint8_t b = static_cast<uint8_t>(v >> (8 * i));
        out += digits[b >> 4];
        out += digits[b & 15];
      }
    return out;
  }

 private:
  static uint32_t rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }
  void compress() {
    static const int shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    uint32_t m[16];
    for (int i = 0; i < 16; i++)
      m[i] = block_[4 * i] | block_[4 * i + 1] << 8 | block_[4 * i + 2] << 16 | static_cast<uint32_t>(block_[4 * i + 3]) << 24;
    uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3];
    for (int i = 0; i < 64; i++) {
      uint32_t f;
      int g;
      if (i < 16) f = (b & c) | (~b & d), g = i;
      else if (i < 32) f = (d & b) | (~d & c), g = (5 * i + 1) % 16;
      else if (i < 48) f = b ^ c ^ d, g = (3 * i + 5) % 16;
      else f = c ^ (b | ~d), g = (7 * i) % 16;
      uint32_t t = d;
      d = c;
      c = b;
      b = b + rotl(a + f + k_[i] + m[g], shifts[i / 16][i % 4]);
      a = t;
    }
    h_[0] += a, h_[1] += b, h_[2] += c, h_[3] += d;
  }

  uint32_t k_[64];
  uint32_t h_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  uint8_t block_[64];
  size_t used_ = 0;
  uint64_t length_ = 0;
};

inline std::string md5Hex(const void* data, size_t n) {
  Md5 m;
  m.update(data, n);
  return m.hex();
}

}  // namespace testsupport
