// Match finder over the LZX window for the encoder, in two levels over a
// buffer holding the window behind and the frames appended since, searched
// frame by frame: the binary trees of codecs/bt_match_finder.h over the near
// part of the window, whose nodes mostly stay in the cache, and for the far part a
// table of the last few positions of each hash of kFarBytes bytes, fetched
// ahead so that its misses overlap. Far matches are dear in offset bits, so
// only long ones pay, and those a few candidates find.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/bt_match_finder.h"

namespace fmt::codecs::lzx {

struct Match {
  uint16_t length;
  uint32_t distance;
};

struct TreeTraits {
  using Match = lzx::Match;
  using Distance = uint32_t;
  static constexpr size_t kMaxMatch = 257;
  static constexpr int kHashBits = 0;  // by the window
  static constexpr int kHash3Bits = 14;
  static constexpr uint32_t kMaxDistance = 0;  // by the window
  // Twice the trees' reach (see MatchFinder): the buffer slides by multiples
  // of it.
  static constexpr size_t kRingSlots = size_t(1) << 19;
  static constexpr bool kStopMoves = true;  // each frame's end
  static constexpr bool kCutAtNice = false;
};

class MatchFinder {
 public:
  // depth bounds the tree nodes visited per position; matches of niceLength
  // end the search, and the positions they cover are not searched.
  // With textSkips, in frames that look like text, whose matches run long,
  // the positions a near match of nice length covers are not entered in the
  // trees either: text then takes a sixth less time for 0.7% in size.
  MatchFinder(int windowBits, int depth, int niceLength, bool textSkips = true);

  void reset();

  // Appends the next frame to the history; returns the frame's start in data().
  // The bytes appended since the last slide stay where they are while their
  // total is at most maxRun(); the next append past it slides the buffer.
  size_t append(const uint8_t* in, size_t n);
  size_t maxRun() const { return buf_.size() - windowSize_ - TreeTraits::kRingSlots; }
  // Makes room for n <= maxRun() bytes, so that appending them slides nothing.
  void makeRoom(size_t n);
  const uint8_t* data() const { return buf_.data(); }
  size_t size() const { return size_; }
  // Bytes before `pos` that a match may reach (folder start or window limit).
  uint32_t reach(size_t pos) const {
    return static_cast<uint32_t>(std::min<uint64_t>(dropped_ + pos, maxDistance_));
  }

  // Fills, for each position p of [from, to), matches[first[p-from] ..
  // first[p-from+1]) with matches of strictly increasing length >= 3 that end
  // no later than `to`. Every position is entered, but those covered by an
  // earlier near match of nice length get no near matches of their own.
  // Frames are searched in order. The same in three steps, of which the first
  // two may run on two threads at once (each frame's after the last's):
  void findAll(size_t from, size_t to, std::vector<Match>& matches, std::vector<uint32_t>& first);
  void findNear(size_t from, size_t to, std::vector<Match>& matches, std::vector<uint32_t>& first);
  // At each position, the longest far-table match where it is longer than
  // the longest of the frame's near matches (length 0: none); positions a
  // near or far match of nice length covers are only entered.
  void findFar(size_t from, size_t to, const std::vector<Match>& near, const std::vector<uint32_t>& nearFirst,
               std::vector<Match>& best);
  static void merge(const std::vector<Match>& near, const std::vector<uint32_t>& nearFirst,
                    const std::vector<Match>& far, std::vector<Match>& matches, std::vector<uint32_t>& first);

 private:
  static constexpr uint32_t kNearDistance = 1u << 18;  // the trees' reach at most
  static_assert(TreeTraits::kRingSlots >= 2 * size_t(kNearDistance));
  static constexpr int kFarBits = 19;
  static constexpr size_t kFarWays = 8;
  static constexpr size_t kFarBytes = 8;
  static constexpr size_t kFarAhead = 8;
  // An entry: a position in the buffer, and above it a tag of more bits of
  // its hash.
  static constexpr int kFarPosBits = 23;
  static constexpr int kFarTagBits = 32 - kFarPosBits;
  static constexpr uint32_t kFarPosMask = (1u << kFarPosBits) - 1;
  static constexpr uint32_t kFarEmpty = ~0u;

  void slide();
  uint32_t farHash(size_t p) const;

  uint32_t windowSize_;
  uint32_t maxDistance_;
  std::vector<uint8_t> buf_;
  size_t size_ = 0;
  uint64_t dropped_ = 0;  // folder bytes slid out of the buffer's front
  int depth_, nice_;
  bool textSkips_;
  BtMatchFinder<TreeTraits> trees_;
  std::vector<uint32_t> far_;  // kFarWays entries per hash, newest first
  std::vector<Match> near_, farBest_;
  std::vector<uint32_t> nearFirst_;
};

}  // namespace fmt::codecs::lzx
