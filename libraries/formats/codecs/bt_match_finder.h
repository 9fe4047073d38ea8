// The binary-tree match finder of the deflate and LZX encoders: for each
// position of a range of bytes in memory, the matches of increasing length it
// can use. Positions with the same first four bytes form a binary tree ordered
// by the bytes that follow, newest at the root; a table by three bytes adds the
// nearest 3-byte match.
//
// What differs between the encoders is fixed at compile time by Traits:
//   Match       the match record, made as {length, distance}
//   Distance    the type of its distance
//   kMaxMatch   the longest match
//   kHashBits   bits of the 4-byte table, or 0 for the constructor's
//   kHash3Bits  bits of the 3-byte table
//   kMaxDistance  the farthest a match may reach, or 0 for the constructor's
//   kRingSlots  tree slots by position modulo this (twice the reach or more,
//               so a slot is reused only once its position is out of reach),
//               or 0 for one slot per position of the data
//   kStopMoves  whether the stop (how far a match may run) moves on between
//               calls, as a frame's end does, or stays put until clear()
//   kCutAtNice  whether a walk ends at a match of the nice length, the new
//               position taking that node's place, in place of walking on
//               to the longest match or the depth
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/common_prefix.h"
#include "codecs/match_hash.h"

namespace fmt::codecs {

template <class Traits>
class BtMatchFinder {
 public:
  using Match = typename Traits::Match;
  static constexpr size_t kMaxMatch = Traits::kMaxMatch;
  static constexpr size_t kMinMatch = 3;

  // slots: the trees' slots without a ring; hashBits and maxDistance: those
  // Traits leave open.
  BtMatchFinder(size_t slots, int hashBits, uint32_t maxDistance)
      : hashBits_(Traits::kHashBits ? Traits::kHashBits : hashBits),
        maxDistance_(Traits::kMaxDistance ? Traits::kMaxDistance : maxDistance),
        head_(size_t(1) << hashBits_),
        head3_(size_t(1) << Traits::kHash3Bits),
        children_(2 * (Traits::kRingSlots ? Traits::kRingSlots : slots)) {}

  // depth bounds the tree nodes visited per searched position; a match of
  // `nice` ends the search, and the positions it covers get no matches. With
  // enterCovered false those positions stay out of the trees too, which saves
  // most of their cost and loses the matches that would start there.
  void setLimits(int depth, size_t nice, bool enterCovered = true) {
    depth_ = depth;
    nice_ = nice;
    enterCovered_ = enterCovered;
  }

  // The bytes positions refer to (the trees are cleared, or moved down with
  // the bytes). Positions start at 0, so a match within the maximum distance
  // never reaches before data[0].
  void setData(const uint8_t* data) { b_ = data; }

  void clear() {
    std::fill(head_.begin(), head_.end(), -1);
    std::fill(head3_.begin(), head3_.end(), -1);
  }

  // Enters [from, to) into the trees without searching, visiting at most
  // `depth` nodes each; matches may run up to `stop`.
  void enter(size_t from, size_t to, size_t stop, int depth) {
    for (size_t p = from; p < to && p + 4 <= stop; ++p) enterOne(p, std::min(kMaxMatch, stop - p), depth);
  }

  // Enters [from, to) and gives each of its positions p in
  // matches[first[p-from] .. first[p-from+1]) matches of strictly increasing
  // length >= 3 that end no later than `stop` (a match of `nice` or more ends
  // the list; the positions it covers get none). Calls come in the order of
  // the positions.
  void findAll(size_t from, size_t to, size_t stop, std::vector<Match>& matches, std::vector<uint32_t>& first) {
    matches.clear();
    first.assign(to - from + 1, 0);
    // Positions too near the stop to hash four bytes get nothing: a match
    // there would save nothing.
    const size_t last = stop >= 4 ? std::clamp(stop - 3, from, to) : from;
    uint32_t* listAt = first.data();
    size_t skipUntil = from;
    // The tables are far larger than the first cache: each position's hashes
    // are made kAhead positions early, and its heads fetched then.
    uint32_t ahead3[kAhead], ahead4[kAhead];
    auto hashAhead = [&](size_t q) {
      ahead3[q % kAhead] = hash3(q);
      ahead4[q % kAhead] = hash4(q);
      __builtin_prefetch(&head_[ahead4[q % kAhead]]);
      __builtin_prefetch(&head3_[ahead3[q % kAhead]]);
    };
    for (size_t q = from; q < std::min(last, from + kAhead); ++q) hashAhead(q);
    for (size_t p = from; p < last; ++p, ++listAt) {
      const uint32_t listed = static_cast<uint32_t>(matches.size());
      *listAt = listed;
      const size_t maxLen = std::min(kMaxMatch, stop - p);
      const uint32_t h3 = ahead3[p % kAhead], h4 = ahead4[p % kAhead];
      if (p + kAhead < last) hashAhead(p + kAhead);
      if (p < skipUntil) {
        // Inside a match of nice length: the parse takes it whole and never
        // asks here, so the position only joins the trees.
        if (enterCovered_) enterHashed(p, maxLen, depth_, h3, h4);
        continue;
      }
      const int32_t near = head3_[h3];
      head3_[h3] = static_cast<int32_t>(p);
      size_t best = kMinMatch - 1;
      if (near >= 0 && p - static_cast<size_t>(near) <= maxDistance()) {
        const size_t len = commonPrefixLength(b_ + near, b_ + p, maxLen);
        if (len >= kMinMatch) {
          best = len;
          matches.push_back(Match{static_cast<uint16_t>(len), distance(p, near)});
        }
      }
      insert<true>(p, maxLen, depth_, best, h4, &matches);
      const size_t found = matches.size() > listed ? matches.back().length : 0;
      if (found >= nice_) skipUntil = p + found;
    }
    std::fill(first.begin() + static_cast<std::ptrdiff_t>(last - from), first.end(),
              static_cast<uint32_t>(matches.size()));
  }

  // The bytes moved `delta` down, the first `keep` positions of them stay;
  // positions that fell off leave the trees. With a ring, delta must be a
  // multiple of its size, so that every position keeps its slot.
  void moveDown(size_t delta, size_t keep) {
    auto rebase = [delta](int32_t v) { return v < static_cast<int32_t>(delta) ? -1 : v - static_cast<int32_t>(delta); };
    for (int32_t& h : head_) h = rebase(h);
    for (int32_t& h : head3_) h = rebase(h);
    if (Traits::kRingSlots) {
      for (int32_t& c : children_) c = rebase(c);
    } else {
      for (size_t i = 0; i < 2 * keep; ++i) children_[i] = rebase(children_[i + 2 * delta]);
    }
  }

 private:
  static constexpr size_t kAhead = 8;
  static_assert(Traits::kRingSlots == 0 || (Traits::kRingSlots & (Traits::kRingSlots - 1)) == 0);

  uint32_t maxDistance() const { return Traits::kMaxDistance ? Traits::kMaxDistance : maxDistance_; }
  uint32_t hash4(size_t p) const { return hashOf4(b_ + p, Traits::kHashBits ? Traits::kHashBits : hashBits_); }
  uint32_t hash3(size_t p) const { return hashOf3(b_ + p, Traits::kHash3Bits); }
  static size_t slot(size_t p) { return Traits::kRingSlots ? p % Traits::kRingSlots : p; }
  static typename Traits::Distance distance(size_t p, int32_t from) {
    return static_cast<typename Traits::Distance>(p - static_cast<size_t>(from));
  }

  void enterOne(size_t p, size_t maxLen, int depth) { enterHashed(p, maxLen, depth, hash3(p), hash4(p)); }
  void enterHashed(size_t p, size_t maxLen, int depth, uint32_t h3, uint32_t h4) {
    head3_[h3] = static_cast<int32_t>(p);
    // Nothing is reported, so only a merge is measured afresh (see insert):
    // where the stop moves, a prefix taken for granted that is wrong may
    // misplace p, which costs a later match, never a false one.
    insert<false>(p, maxLen, depth, kMaxMatch, h4, nullptr);
  }

  // Makes p the root of its tree (h: p's 4-byte hash), splitting the old tree
  // into the suffixes below and above p's on the way down; with `out`,
  // appends each match longer than `best` met there.
  // The walk knows a common prefix with the nearest node on each side, so it
  // compares little. But positions within kMaxMatch of the stop are compared
  // only up to it, and a node equal that far is replaced though its longer
  // suffix may order differently: the prefix taken for granted may then be
  // wrong, so whatever is reported or merged is measured afresh. With a stop
  // that stays put, only positions that near the stop meet such nodes.
  // A walk cut at the nice length leaves the trees in order only as far as
  // that length, which is as far as the walk compares.
  // A node is read only while within reach, before its slot is reused.
  // kReport is whether `out` is given: a walk that only enters needs fewer
  // registers without its tests.
  template <bool kReport>
  void insert(size_t p, size_t maxLen, int depth, size_t best, uint32_t h, std::vector<Match>* out) {
    // Locals, not members: a push_back could change members for all the
    // compiler knows, so it would load them again at every node.
    const uint8_t* const b = b_;
    int32_t* const child = children_.data();
    const size_t limit = maxDistance();
    int32_t cand = head_[h];
    head_[h] = static_cast<int32_t>(p);
    int32_t* below = &child[2 * slot(p)];
    int32_t* above = below + 1;
    size_t lenBelow = 0, lenAbove = 0;
    const size_t cut = Traits::kCutAtNice ? std::min(maxLen, nice_) : maxLen;
    for (;; --depth) {
      if (cand < 0 || depth == 0 || p - static_cast<size_t>(cand) > limit) {
        *below = *above = -1;
        return;
      }
      size_t len = std::min(lenBelow, lenAbove);
      len += commonPrefixLength(b + cand + len, b + p + len, cut - len);
      if ((Traits::kStopMoves || maxLen < kMaxMatch) && (len > best || len >= cut))
        len = commonPrefixLength(b + cand, b + p, cut);
      // Cut short, the match is measured to its end for the report.
      if (Traits::kCutAtNice && kReport && len >= cut) len += commonPrefixLength(b + cand + len, b + p + len, maxLen - len);
      if (kReport && len > best) {
        best = len;
        out->push_back(Match{static_cast<uint16_t>(len), distance(p, cand)});
      }
      int32_t* const node = &child[2 * slot(static_cast<size_t>(cand))];
      if (len >= cut) {
        // Equal as far as may be compared, or as far as is worth it: p takes
        // cand's place.
        *below = node[0];
        *above = node[1];
        return;
      }
      if (b[cand + len] < b[p + len]) {
        *below = cand;
        below = &node[1];
        lenBelow = len;
        cand = node[1];
      } else {
        *above = cand;
        above = &node[0];
        lenAbove = len;
        cand = node[0];
      }
    }
  }

  int hashBits_;
  uint32_t maxDistance_;
  int depth_ = 0;
  size_t nice_ = kMaxMatch;
  bool enterCovered_ = true;
  const uint8_t* b_ = nullptr;
  std::vector<int32_t> head_, head3_;
  // Per slot, side by side (one cache line for both): its subtrees of smaller
  // and of larger suffixes.
  std::vector<int32_t> children_;
};

}  // namespace fmt::codecs
