// The 512-byte tar header: v7, ustar (with its name prefix) and GNU layouts,
// numbers in octal or base-256, and the header checksum.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fmt::tar {

constexpr size_t kBlock = 512;
constexpr uint64_t kRecord = 10240;  // what GNU tar and bsdtar pad archives to

struct Field {
  size_t offset, length;
};
constexpr Field kName{0, 100};
constexpr Field kMode{100, 8};
constexpr Field kUid{108, 8};
constexpr Field kGid{116, 8};
constexpr Field kSize{124, 12};
constexpr Field kMtime{136, 12};
constexpr Field kChecksum{148, 8};
constexpr size_t kTypeflag = 156;
constexpr Field kLinkname{157, 100};
constexpr Field kMagic{257, 6};
constexpr Field kVersion{263, 2};
constexpr Field kUname{265, 32};
constexpr Field kGname{297, 32};
constexpr Field kDevMajor{329, 8};
constexpr Field kDevMinor{337, 8};
constexpr Field kPrefix{345, 155};
// Old GNU layout: sparse chunks in the header, more in extension blocks.
constexpr size_t kGnuSparse = 386;     // four (offset, length) pairs of 12 bytes each
constexpr size_t kGnuSparseCount = 4;
constexpr size_t kGnuIsExtended = 482;
constexpr Field kGnuRealSize{483, 12};
constexpr size_t kGnuExtCount = 21;    // pairs in an extension block
constexpr size_t kGnuExtIsExtended = 504;

enum class Flavor { V7, Ustar, Gnu };

inline uint64_t roundUpToBlock(uint64_t n) { return (n + kBlock - 1) / kBlock * kBlock; }

// The field's bytes up to its first NUL.
std::string fieldString(const uint8_t* block, Field f);
// Octal (spaces around it, NUL or space after) or base-256 (high bit of the
// first byte set; 0xFF first means negative). False when neither or too large.
bool parseNumber(const uint8_t* p, size_t length, int64_t& value);
inline bool parseField(const uint8_t* block, Field f, int64_t& value) {
  return parseNumber(block + f.offset, f.length, value);
}

bool isZeroBlock(const uint8_t* block);
// The stored sum against both the unsigned and the signed byte sum (old
// writers used signed chars).
bool checksumMatches(const uint8_t* block);
Flavor flavorOf(const uint8_t* block);
// A block a reader may take for the start of a tar archive.
bool looksLikeHeader(const uint8_t* block);

// Bytes below 0x80 and no NUL: what a ustar field holds the same in every encoding.
bool isAscii(const std::string& s);

// Writing: a string cut to the field; octal with a NUL when it fits.
void putString(uint8_t* block, Field f, const std::string& s);
bool putOctal(uint8_t* block, Field f, uint64_t value);
void putBase256(uint8_t* block, Field f, int64_t value);
void putChecksum(uint8_t* block);

}  // namespace fmt::tar
