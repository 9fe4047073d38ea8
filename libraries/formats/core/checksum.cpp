#include "core/checksum.h"

#include <array>

namespace fmt {
namespace {

// Slicing-by-8 tables: CRC-32 runs over every byte of every format, so it is kept fast.
struct Crc32Tables {
  uint32_t t[8][256];
  Crc32Tables() {
    for (uint32_t i = 0; i < 256; i++) {
      uint32_t c = i;
      for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; i++)
      for (int s = 1; s < 8; s++) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
  }
};

// Slicing-by-8 as for CRC-32: the LZH decoders and writer check every byte with it.
struct Crc16Tables {
  uint16_t t[8][256];
  Crc16Tables() {
    for (uint32_t i = 0; i < 256; i++) {
      uint16_t c = static_cast<uint16_t>(i);
      for (int k = 0; k < 8; k++) c = (c & 1) ? static_cast<uint16_t>(0xA001 ^ (c >> 1)) : static_cast<uint16_t>(c >> 1);
      t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; i++)
      for (int s = 1; s < 8; s++) t[s][i] = static_cast<uint16_t>((t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF]);
  }
};

const Crc32Tables& crc32Tables() {
  static const Crc32Tables tables;
  return tables;
}

}  // namespace

uint16_t crc16Update(uint16_t crc, const void* data, size_t n) {
  static const Crc16Tables tables;
  const auto& T = tables.t;
  auto* p = static_cast<const uint8_t*>(data);
  while (n >= 8) {
    uint32_t c = crc ^ (p[0] | p[1] << 8);
    crc = static_cast<uint16_t>(T[7][c & 0xFF] ^ T[6][c >> 8] ^ T[5][p[2]] ^ T[4][p[3]] ^ T[3][p[4]] ^ T[2][p[5]] ^
                                T[1][p[6]] ^ T[0][p[7]]);
    p += 8;
    n -= 8;
  }
  while (n--) crc = static_cast<uint16_t>(T[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8));
  return crc;
}

uint32_t crc32Update(uint32_t crc, const void* data, size_t n) {
  const auto& T = crc32Tables().t;
  auto* p = static_cast<const uint8_t*>(data);
  crc = ~crc;
  while (n >= 8) {
    uint32_t a = crc ^ (p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
    crc = T[7][a & 0xFF] ^ T[6][(a >> 8) & 0xFF] ^ T[5][(a >> 16) & 0xFF] ^ T[4][a >> 24] ^ T[3][p[4]] ^
          T[2][p[5]] ^ T[1][p[6]] ^ T[0][p[7]];
    p += 8;
    n -= 8;
  }
  while (n--) crc = T[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace fmt
