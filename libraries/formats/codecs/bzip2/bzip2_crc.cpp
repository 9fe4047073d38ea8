#include "codecs/bzip2/bzip2_format.h"

namespace fmt::codecs::bz2 {
namespace {

// Slicing-by-8 tables for the MSB-first CRC: the decoder runs it over every output byte.
struct CrcTables {
  uint32_t t[8][256];
  CrcTables() {
    for (uint32_t i = 0; i < 256; i++) {
      uint32_t c = i << 24;
      for (int k = 0; k < 8; k++) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
      t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; i++)
      for (int s = 1; s < 8; s++) t[s][i] = (t[s - 1][i] << 8) ^ t[0][t[s - 1][i] >> 24];
  }
};

const CrcTables& tables() {
  static const CrcTables t;
  return t;
}

}  // namespace

uint32_t crcUpdate(uint32_t crc, const void* data, size_t n) {
  const auto& T = tables().t;
  auto* p = static_cast<const uint8_t*>(data);
  while (n >= 8) {
    uint32_t a = crc ^ (static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]);
    crc = T[7][a >> 24] ^ T[6][(a >> 16) & 0xFF] ^ T[5][(a >> 8) & 0xFF] ^ T[4][a & 0xFF] ^ T[3][p[4]] ^
          T[2][p[5]] ^ T[1][p[6]] ^ T[0][p[7]];
    p += 8;
    n -= 8;
  }
  while (n--) crc = (crc << 8) ^ T[0][(crc >> 24) ^ *p++];
  return crc;
}

}  // namespace fmt::codecs::bz2
