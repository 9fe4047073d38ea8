// Match finder for the deflate encoder: the binary trees of
// codecs/bt_match_finder.h over one span in memory (history, then the pieces),
// searched piece by piece within the 32 KB window; the trees run on from piece
// to piece.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/bt_match_finder.h"

namespace fmt::codecs::deflate {

struct Match {
  uint16_t length;
  uint16_t dist;  // 1..32768
};

struct TreeTraits {
  using Match = deflate::Match;
  using Distance = uint16_t;
  static constexpr size_t kMaxMatch = 258;
  static constexpr int kHashBits = 16;
  // Only this table finds 3-byte matches, so it is large enough that the
  // nearest one is seldom lost to a collision (programs shrink 0.2% more than
  // with 14 bits).
  static constexpr int kHash3Bits = 18;
  static constexpr uint32_t kMaxDistance = 32768;
  static constexpr size_t kRingSlots = 2 * 32768;
  static constexpr bool kStopMoves = false;  // the span's end
  static constexpr bool kCutAtNice = false;
};

class MatchFinder {
 public:
  // depth bounds the tree nodes visited per position; a match of niceLength
  // ends the search, and the positions it covers get no matches of their own.
  // historyDepth is the depth used to enter the history.
  MatchFinder(int depth, int historyDepth, uint32_t niceLength);
  // The same limits for the pieces searched from now on (the trees stay).
  void setLimits(int depth, int historyDepth, uint32_t niceLength);

  // Starts over on the span data[0, size) (less than 2 GB).
  void reset(const uint8_t* data, size_t size);

  // Positions before `from` not entered yet join the trees as history (with
  // the history depth); each position p of [from, end) then gets in
  // matches[first[p-from] .. first[p-from+1]) matches of strictly increasing
  // length. Matches may run on past `end` (up to the span's end): the parse
  // cuts them. Pieces are searched in order.
  void findAll(size_t from, size_t end, std::vector<Match>& matches, std::vector<uint32_t>& first);

 private:
  BtMatchFinder<TreeTraits> trees_;
  int historyDepth_;
  size_t size_ = 0;
  size_t entered_ = 0;  // positions before this are in the trees
};

}  // namespace fmt::codecs::deflate
