// ZIP record signatures, flag bits, method numbers and little-endian access.
#pragma once
#include <cstdint>
#include <string>

namespace fmt::zip {

enum : uint32_t {
  kLocalSig = 0x04034b50,
  kCentralSig = 0x02014b50,
  kEndSig = 0x06054b50,
  kEnd64Sig = 0x06064b50,
  kEnd64LocatorSig = 0x07064b50,
  kDescriptorSig = 0x08074b50,  // also what starts the first part of a spanned archive
};

enum : uint16_t {
  kFlagEncrypted = 0x0001,
  kFlagDescriptor = 0x0008,     // CRC and sizes follow the data
  kFlagStrongEncryption = 0x0040,
  kFlagUtf8 = 0x0800,
};

enum : uint16_t {
  kMethodStored = 0,
  kMethodDeflate = 8,
  kMethodDeflate64 = 9,
  kMethodBzip2 = 12,
  kMethodAes = 99,
};

enum : uint16_t {
  kExtraZip64 = 0x0001,
  kExtraNtfs = 0x000a,
  kExtraTimestamp = 0x5455,
  kExtraUnicodePath = 0x7075,
  kExtraAes = 0x9901,
};

// Fixed parts of the records, before their variable fields.
constexpr uint32_t kLocalSize = 30;
constexpr uint32_t kCentralSize = 46;
constexpr uint32_t kEndSize = 22;
constexpr uint32_t kEnd64Size = 56;
constexpr uint32_t kEnd64LocatorSize = 20;

// Host systems in the high byte of "version made by".
constexpr uint8_t kHostUnix = 3;
constexpr uint8_t kHostMac = 19;  // OS X: Unix modes as well

inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t le32(const uint8_t* p) { return le16(p) | static_cast<uint32_t>(le16(p + 2)) << 16; }
inline uint64_t le64(const uint8_t* p) { return le32(p) | static_cast<uint64_t>(le32(p + 4)) << 32; }

// "deflate", "bzip2", ... as listings show them.
std::string methodName(uint16_t method);

}  // namespace fmt::zip
