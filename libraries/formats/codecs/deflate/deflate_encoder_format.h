// The raw deflate stream as the encoder writes it (RFC 1951): the alphabet
// sizes, and the length and distance codes with their extra bits.
#pragma once
#include <cstdint>

namespace fmt::codecs::deflate {

inline constexpr uint32_t kWindow = 32768;
inline constexpr uint32_t kMinMatch = 3;
inline constexpr uint32_t kMaxMatch = 258;
inline constexpr int kLitLenSymbols = 286;  // 0..255 literals, 256 end of block, 257..285 lengths
inline constexpr int kDistSymbols = 30;
inline constexpr int kCodeLenSymbols = 19;
inline constexpr int kEndOfBlock = 256;
inline constexpr int kMaxCodeBits = 15;
inline constexpr int kMaxCodeLenBits = 7;
inline constexpr uint32_t kMaxStoredBlock = 65535;

// Order in which the code-length code's lengths are sent.
inline constexpr uint8_t kCodeLenOrder[kCodeLenSymbols] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                                           11, 4, 12, 3, 13, 2, 14, 1, 15};

inline constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr uint16_t kDistBase[kDistSymbols] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,
                                                     33,   49,   65,   97,   129,  193,   257,   385,   513,   769,
                                                     1025, 1537, 2049, 3073, 4097, 6145,  8193,  12289, 16385, 24577};
inline constexpr uint8_t kDistExtra[kDistSymbols] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                     6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Length 3..258 -> index 0..28 of its code (symbol 257 + index).
struct LengthCodes {
  uint8_t index[kMaxMatch + 1];
  constexpr LengthCodes() : index() {
    for (int c = 0; c < 29; ++c) {
      const uint32_t end = c == 28 ? kMaxMatch + 1 : kLengthBase[c] + (1u << kLengthExtra[c]);
      for (uint32_t l = kLengthBase[c]; l < end && l <= kMaxMatch; ++l) index[l] = static_cast<uint8_t>(c);
    }
    // 258 has a code of its own; 227 + 31 under code 284 is never used for it.
    index[kMaxMatch] = 28;
  }
};
inline constexpr LengthCodes kLengthCodes;

// Distance 1..32768 -> its code 0..29: the first 256 directly, the rest by
// distance-1 >> 7, since every code above 15 spans a multiple of 128.
struct DistanceCodes {
  uint8_t low[256];
  uint8_t high[256];
  constexpr DistanceCodes() : low(), high() {
    for (int c = 0; c < kDistSymbols; ++c) {
      const uint32_t end = kDistBase[c] + (1u << kDistExtra[c]);
      for (uint32_t d = kDistBase[c]; d < end; ++d) {
        if (d <= 256) low[d - 1] = static_cast<uint8_t>(c);
        else high[(d - 1) >> 7] = static_cast<uint8_t>(c);
      }
    }
  }
  int of(uint32_t dist) const { return dist <= 256 ? low[dist - 1] : high[(dist - 1) >> 7]; }
};
inline constexpr DistanceCodes kDistanceCodes;

}  // namespace fmt::codecs::deflate
