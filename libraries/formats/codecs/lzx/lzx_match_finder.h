// Match finder over the LZX window for the encoder: for every position of a
// frame, the matches of increasing length it can use. Positions with the same
// first four bytes form a binary tree ordered by what follows them, newest at
// the root; a table by three bytes adds the nearest 3-byte match.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/match_hash.h"

namespace fmt::codecs::lzx {

struct Match {
  uint16_t length;
  uint32_t distance;
};

class MatchFinder {
 public:
  // depth bounds the tree nodes visited per position; matches of niceLength
  // end the search, and the positions they cover are not searched.
  MatchFinder(int windowBits, int depth, int niceLength);

  void reset();

  // Appends the next frame to the history; returns the frame's start in data().
  size_t append(const uint8_t* in, size_t n);
  const uint8_t* data() const { return buf_.data(); }
  size_t size() const { return size_; }
  // Bytes before `pos` that a match may reach (folder start or window limit).
  uint32_t reach(size_t pos) const;

  // Fills, for each position p of [from, to), matches[first[p-from] ..
  // first[p-from+1]) with matches of strictly increasing length >= 3 that end
  // no later than `to`. Every position is entered into the chains, but those
  // covered by an earlier match of nice length get no matches of their own.
  void findAll(size_t from, size_t to, std::vector<Match>& matches, std::vector<uint32_t>& first);

 private:
  uint32_t hash4(size_t p) const { return hashOf4(buf_.data() + p, hashBits_); }
  uint32_t hash3(size_t p) const { return hashOf3(buf_.data() + p, kHash3Bits); }
  static constexpr int kHash3Bits = 14;
  void slide();
  void insert(size_t p, size_t maxLen, uint32_t limit, size_t best, std::vector<Match>* matches);

  uint32_t windowSize_;
  uint32_t maxDistance_;
  int depth_;
  int niceLength_;
  int hashBits_;
  std::vector<uint8_t> buf_;
  size_t size_ = 0;
  uint64_t dropped_ = 0;  // folder bytes slid out of the buffer's front
  std::vector<int32_t> head_;
  std::vector<int32_t> head3_;
  std::vector<int32_t> smaller_;  // per position: its subtree of smaller suffixes
  std::vector<int32_t> larger_;
};

}  // namespace fmt::codecs::lzx
