// Match finder for the deflate encoder: for each position of a piece of input,
// the matches of increasing length it can use within the 32 KB window. The
// piece and the history before it are in memory as one span, so each piece is
// searched on its own (and pieces may be searched by several threads at once).
// Positions with the same first four bytes form a binary tree ordered by the
// bytes that follow, newest at the root; a table by three bytes adds the
// nearest 3-byte match.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

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

  // data[0, from) is history, entered into the trees only; data[from, end) is
  // searched. For each position p of [from, end), matches[first[p-from] ..
  // first[p-from+1]) receives matches of strictly increasing length that end
  // no later than `end`.
  void findAll(const uint8_t* data, size_t from, size_t end, std::vector<Match>& matches,
               std::vector<uint32_t>& first);

  static constexpr size_t kMaxSpan = 2 * 32768;  // history and piece together

 private:
  static constexpr int kHashBits = 15;
  static constexpr int kHash3Bits = 14;
  uint32_t hash4(size_t p) const;
  uint32_t hash3(size_t p) const;
  // Makes p the root of its tree; with `out`, appends each longer match met.
  void insert(size_t p, size_t maxLen, int depth, size_t best, std::vector<Match>* out);

  int depth_;
  int historyDepth_;
  uint32_t nice_;
  const uint8_t* b_ = nullptr;
  std::vector<int32_t> head_, head3_;
  std::vector<int32_t> smaller_, larger_;
};

}  // namespace fmt::codecs::deflate
