// The compress (.Z) container around its LZW codes: a three-byte header, then
// codes of 9 bits growing to the header's maximum, packed from the low bit up.
// Codes travel in groups of eight: a group of n-bit codes fills n bytes, and a
// change of width (or a CLEAR) starts a new group, leaving the rest of the old
// one unused. Both directions follow that rule; files depend on it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace fmt::codecs::lzw {

constexpr uint8_t kMagic0 = 0x1F;
constexpr uint8_t kMagic1 = 0x9D;
constexpr uint8_t kBlockModeFlag = 0x80;  // CLEAR (code 256) may appear
constexpr uint8_t kBitsMask = 0x1F;
constexpr uint8_t kReservedMask = 0x60;
constexpr int kMinBits = 9;
constexpr int kMaxBits = 16;
constexpr uint32_t kClear = 256;
constexpr size_t kHeaderSize = 3;

inline bool looksLikeHeader(const uint8_t* p, size_t n) {
  return n >= kHeaderSize && p[0] == kMagic0 && p[1] == kMagic1;
}

// Bits from the start of a width phase to the end of its current group.
inline uint64_t groupPadding(uint64_t phaseBits, int width) {
  const uint64_t group = static_cast<uint64_t>(width) * 8;
  return (group - phaseBits % group) % group;
}

}  // namespace fmt::codecs::lzw
