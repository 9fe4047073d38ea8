// The gzip member layout around raw deflate data: a ten-byte header with
// optional fields, then deflate, then CRC-32 and size modulo 2^32.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fmt::codecs {

namespace gzip {
constexpr uint8_t kId1 = 0x1F;
constexpr uint8_t kId2 = 0x8B;
constexpr uint8_t kMethodDeflate = 8;
constexpr uint8_t kFlagText = 0x01;
constexpr uint8_t kFlagHeaderCrc = 0x02;
constexpr uint8_t kFlagExtra = 0x04;
constexpr uint8_t kFlagName = 0x08;
constexpr uint8_t kFlagComment = 0x10;
constexpr uint8_t kFlagsReserved = 0xE0;
constexpr uint8_t kOsUnix = 3;
constexpr size_t kFixedHeaderSize = 10;
constexpr size_t kTrailerSize = 8;
constexpr size_t kMaxNameLength = 1 << 16;  // a longer stored name is damage

inline bool looksLikeHeader(const uint8_t* p, size_t n) {
  return n >= 3 && p[0] == kId1 && p[1] == kId2 && p[2] == kMethodDeflate;
}
}  // namespace gzip

// What a member's header says. The name and comment are the stored bytes
// (ISO 8859-1 by the format, often the creator's own code page in practice).
struct GzipHeader {
  bool hasName = false;
  std::string name;
  std::string comment;
  uint32_t mtime = 0;  // seconds since 1970; 0 when not stored
  uint8_t os = gzip::kOsUnix;
};

}  // namespace fmt::codecs
