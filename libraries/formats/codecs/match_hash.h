// The match finders' hashes of the first four and the first three bytes at p,
// to `bits` bits (multiplicative: the high bits of the product mix all bytes).
#pragma once
#include <cstdint>
#include <cstring>

namespace fmt::codecs {

inline uint32_t hashOf4(const uint8_t* p, int bits) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return (v * 2654435761u) >> (32 - bits);
}

inline uint32_t hashOf3(const uint8_t* p, int bits) {
  const uint32_t v = p[0] | p[1] << 8 | static_cast<uint32_t>(p[2]) << 16;
  return (v * 2246822519u) >> (32 - bits);
}

}  // namespace fmt::codecs
