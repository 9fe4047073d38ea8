// zlib's inflate refers to crc32() for the gzip wrapper, which cabinets never
// have (MSZIP blocks are raw deflate), and zlib's own crc32() brings some 12 KB
// of tables into the cabinet extractor. This one, linked first, gives the same
// values bit by bit: small, and slow only on a path the program never takes.
#include <zlib.h>

#include <cstdint>

extern "C" uLong ZEXPORT crc32(uLong crc, const Bytef* buf, uInt len) {
  if (!buf) return 0;
  uint32_t c = ~static_cast<uint32_t>(crc);
  while (len--) {
    c ^= *buf++;
    for (int k = 0; k < 8; k++) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}
