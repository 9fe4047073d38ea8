// The -lh5-..-lh7- encoder's parse: every position's matches from the binary
// trees of codecs/bt_match_finder.h, then the cheapest path through them,
// priced in bits by the code lengths of the block being built.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "codecs/lh/lh_encoder_bits.h"
#include "codecs/lh/lh_encoder_block.h"

namespace fmt::codecs {

// Bits each symbol costs under a block's trees, laid out for the path search.
struct LhPrices {
  uint32_t lit[256];
  uint64_t lenStep[kLhMaxMatch + 1];  // a length's price << 32 | length << 17 (see the parse's nodes)
  uint32_t cls[kLhMaxNP];             // a position class's code and extra bits

  LhPrices();  // a first guess, before any block is known
  void update(const LhBlockPlan& plan, int np);
  uint32_t distance(uint32_t dist) const { return cls[lhPosClass(dist - 1)]; }
};

// Encodes data[history, size) as whole blocks; data[0, history) is only the
// window before it, which matches may reach into. After each piece
// keepGoing(bytes done of size - history) decides whether to go on. Returns
// false when stopped that way or when `bits` went over its limit.
bool lhEncodeRange(const uint8_t* data, size_t history, size_t size, LhBitWriter& bits, int windowBits,
                   const std::function<bool(uint64_t)>& keepGoing);

}  // namespace fmt::codecs
