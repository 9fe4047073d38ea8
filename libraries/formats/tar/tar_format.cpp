#include "tar/tar_format.h"

#include <algorithm>
#include <cstring>

namespace fmt::tar {

std::string fieldString(const uint8_t* block, Field f) {
  const auto* p = reinterpret_cast<const char*>(block + f.offset);
  return std::string(p, strnlen(p, f.length));
}

bool parseNumber(const uint8_t* p, size_t length, int64_t& value) {
  if (length == 0) return false;
  if (p[0] & 0x80) {
    const bool negative = p[0] == 0xFF;
    uint64_t v = negative ? ~uint64_t{0} : (p[0] & 0x7F);
    for (size_t i = 1; i < length; i++) {
      if (!negative && (v >> 55) != 0) return false;
      if (negative && (v >> 55) != 0x1FF) return false;
      v = (v << 8) | p[i];
    }
    value = static_cast<int64_t>(v);
    return negative ? value < 0 : value >= 0;
  }
  size_t i = 0;
  while (i < length && p[i] == ' ') i++;
  uint64_t v = 0;
  bool digits = false;
  for (; i < length && p[i] >= '0' && p[i] <= '7'; i++) {
    if (v >> 60) return false;
    v = v * 8 + static_cast<uint64_t>(p[i] - '0');
    digits = true;
  }
  // What follows the digits may only be spaces and NULs.
  for (; i < length; i++)
    if (p[i] != ' ' && p[i] != 0) return false;
  value = digits ? static_cast<int64_t>(v) : 0;
  return true;
}

bool isAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80 && c != 0; });
}

bool isZeroBlock(const uint8_t* block) {
  return std::all_of(block, block + kBlock, [](uint8_t b) { return b == 0; });
}

bool checksumMatches(const uint8_t* block) {
  int64_t stored;
  if (!parseField(block, kChecksum, stored)) return false;
  int64_t unsignedSum = 0, signedSum = 0;
  for (size_t i = 0; i < kBlock; i++) {
    const bool inField = i >= kChecksum.offset && i < kChecksum.offset + kChecksum.length;
    const uint8_t b = inField ? ' ' : block[i];
    unsignedSum += b;
    signedSum += static_cast<int8_t>(b);
  }
  return stored == unsignedSum || stored == signedSum;
}

Flavor flavorOf(const uint8_t* block) {
  if (std::memcmp(block + kMagic.offset, "ustar\0", 6) == 0) return Flavor::Ustar;
  if (std::memcmp(block + kMagic.offset, "ustar  \0", 8) == 0) return Flavor::Gnu;
  if (std::memcmp(block + kMagic.offset, "ustar", 5) == 0) return Flavor::Ustar;
  return Flavor::V7;
}

bool looksLikeHeader(const uint8_t* block) {
  if (isZeroBlock(block) || !checksumMatches(block)) return false;
  int64_t size;
  return parseField(block, kSize, size) && size >= 0;
}

void putString(uint8_t* block, Field f, const std::string& s) {
  std::memcpy(block + f.offset, s.data(), std::min(s.size(), f.length));
}

bool putOctal(uint8_t* block, Field f, uint64_t value) {
  const size_t digits = f.length - 1;
  if (digits < 22 && (value >> (3 * digits)) != 0) return false;
  for (size_t i = digits; i-- > 0;) {
    block[f.offset + i] = static_cast<uint8_t>('0' + (value & 7));
    value >>= 3;
  }
  block[f.offset + digits] = 0;
  return true;
}

void putBase256(uint8_t* block, Field f, int64_t value) {
  auto v = static_cast<uint64_t>(value);
  for (size_t i = f.length; i-- > 1;) {
    block[f.offset + i] = static_cast<uint8_t>(v);
    v = value < 0 ? (v >> 8) | (uint64_t{0xFF} << 56) : v >> 8;
  }
  block[f.offset] = value < 0 ? 0xFF : 0x80;
}

void putChecksum(uint8_t* block) {
  std::memset(block + kChecksum.offset, ' ', kChecksum.length);
  unsigned sum = 0;
  for (size_t i = 0; i < kBlock; i++) sum += block[i];
  // Six octal digits, NUL, space: the form every reader takes.
  for (int i = 5; i >= 0; i--) {
    block[kChecksum.offset + static_cast<size_t>(i)] = static_cast<uint8_t>('0' + (sum & 7));
    sum >>= 3;
  }
  block[kChecksum.offset + 6] = 0;
  block[kChecksum.offset + 7] = ' ';
}

}  // namespace fmt::tar
