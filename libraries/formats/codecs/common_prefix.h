// The length of the common prefix of two byte runs, as every match finder
// measures a candidate.
#pragma once
#include <cstddef>
#include <cstring>
#include <cstdint>

namespace fmt::codecs {

// At most `max`; eight bytes at a time (on little-endian targets the first
// differing byte is the lowest set one of the difference).
inline size_t commonPrefixLength(const uint8_t* a, const uint8_t* b, size_t max) {
  size_t len = 0;
  while (len + 8 <= max) {
    uint64_t x, y;
    std::memcpy(&x, a + len, 8);
    std::memcpy(&y, b + len, 8);
    if (x != y) return len + static_cast<size_t>(__builtin_ctzll(x ^ y) >> 3);
    len += 8;
  }
  while (len < max && a[len] == b[len]) ++len;
  return len;
}

}  // namespace fmt::codecs
