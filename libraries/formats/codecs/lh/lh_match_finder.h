// The LH encoder's match finder: the binary trees of codecs/bt_match_finder.h
// over a range in memory, reaching as far back as the method's window.
#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/bt_match_finder.h"
#include "codecs/lh/lh_encoder_block.h"

namespace fmt::codecs {

struct LhMatch {
  uint16_t length;
  uint32_t dist;  // 1 .. the window
};

struct LhTreeTraits {
  using Match = LhMatch;
  using Distance = uint32_t;
  static constexpr size_t kMaxMatch = kLhMaxMatch;
  static constexpr int kHashBits = 16;
  static constexpr int kHash3Bits = 16;
  static constexpr uint32_t kMaxDistance = 0;           // by the window
  static constexpr size_t kRingSlots = size_t{2} << 16;  // two of the largest window
  static constexpr bool kStopMoves = false;             // the range's end
  // On text over a third of the positions lie inside matches of the nice
  // length and are only entered; walks that end at that length take about a
  // tenth less CPU time there for 0.2% more size (lh7, benchmark corpora).
  static constexpr bool kCutAtNice = true;
};

using LhMatchFinder = BtMatchFinder<LhTreeTraits>;

}  // namespace fmt::codecs
