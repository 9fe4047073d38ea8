// Check values shared by the formats: CRC-16 (LZH, polynomial A001 reflected)
// and CRC-32 (ZIP, gzip, bzip2 uses its own unreflected form in its codec).
#pragma once
#include <cstddef>
#include <cstdint>

namespace fmt {

uint16_t crc16Update(uint16_t crc, const void* data, size_t n);
uint32_t crc32Update(uint32_t crc, const void* data, size_t n);  // zlib-compatible: start with 0

}  // namespace fmt
