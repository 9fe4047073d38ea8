// Constants and tables of the LZX format shared by the decoder and the encoder.
#pragma once
#include <array>
#include <cstdint>

namespace fmt::codecs::lzx {

inline constexpr int kMinMatch = 2;
inline constexpr int kMaxMatch = 257;
inline constexpr int kNumChars = 256;
inline constexpr int kPrimaryLengths = 7;      // length headers 0..6 are complete lengths
inline constexpr int kLengthSymbols = 249;     // length tree: footer of length header 7
inline constexpr int kPretreeSymbols = 20;
inline constexpr int kAlignedSymbols = 8;
inline constexpr int kMaxSlots = 50;
inline constexpr int kMaxMainSymbols = kNumChars + 8 * kMaxSlots;
inline constexpr int kMaxCodeLength = 16;

enum BlockType : int { kVerbatim = 1, kAligned = 2, kUncompressed = 3 };

// Position slots by window: 2^15 .. 2^21.
inline int positionSlots(int windowBits) {
  static constexpr int slots[] = {30, 32, 34, 36, 38, 42, 50};
  return slots[windowBits - 15];
}

struct SlotTables {
  std::array<uint32_t, kMaxSlots> base{};
  std::array<uint8_t, kMaxSlots> extra{};
};

// Formatted offset = base[slot] + footer; slots 0..2 are the repeated offsets and
// the real distance of any other slot is the formatted offset minus 2.
inline const SlotTables& slotTables() {
  static const SlotTables t = [] {
    SlotTables s;
    uint32_t base = 0;
    for (int i = 0; i < kMaxSlots; ++i) {
      int e = i < 4 ? 0 : (i - 2) / 2;
      if (e > 17) e = 17;
      s.base[i] = base;
      s.extra[i] = static_cast<uint8_t>(e);
      base += 1u << e;
    }
    return s;
  }();
  return t;
}

}  // namespace fmt::codecs::lzx
