// Match finder for the deflate encoder: for each position of a piece of input,
// the matches of increasing length it can use within the 32 KB window. The
// input is one span in memory (history, then the pieces), searched piece by
// piece; the trees run on from piece to piece. Positions with the same first
// four bytes form a binary tree ordered by the bytes that follow, newest at the
// root; a table by three bytes adds the nearest 3-byte match.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/match_hash.h"

namespace fmt::codecs::deflate {

struct Match {
  uint16_t length;
  uint16_t dist;  // 1..32768
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

  // Tree slots by position modulo twice the window: a slot is reused only
  // once its position is out of reach.
  static constexpr size_t kSlots = 2 * 32768;

 private:
  static constexpr int kHashBits = 16;
  // Only this table finds 3-byte matches, so it is large enough that the
  // nearest one is seldom lost to a collision (programs shrink 0.2% more than
  // with 14 bits).
  static constexpr int kHash3Bits = 18;
  uint32_t hash4(size_t p) const;
  uint32_t hash3(size_t p) const;
  // Makes p the root of its tree; with `out`, appends each longer match met.
  void insert(size_t p, size_t maxLen, int depth, size_t best, std::vector<Match>* out);

  int depth_;
  int historyDepth_;
  uint32_t nice_;
  const uint8_t* b_ = nullptr;
  size_t size_ = 0;
  size_t entered_ = 0;  // positions before this are in the trees
  std::vector<int32_t> head_, head3_;
  std::vector<int32_t> smaller_, larger_;
};

}  // namespace fmt::codecs::deflate
