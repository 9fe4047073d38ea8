// The shortest-path parse the deflate and LZH encoders share: over in[0, n),
// each step a literal or a match of the position's list (matches of rising
// length, each usable at every length above the one before it), priced in
// bits. A node holds the cheapest way found to a position as
// price << 32 | len << kLenShift | dist, len the step's length (1 for a
// literal) and dist its distance (0 for a literal): packed so that the cheaper
// of two is their minimum.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fmt::codecs {

template <int kLenShift>
struct ShortestPath {
  using Node = uint64_t;

  // A length's part of a node, so that a step to it is one addition.
  static constexpr Node lengthStep(uint32_t price, uint32_t len) { return Node{price} << 32 | Node{len} << kLenShift; }

  // Fills nodes[0, n]. lit(i): the literal at i's price; matchesAt(i): a pair
  // of pointers to i's matches (.length, .dist); distPrice(dist): a distance's
  // bits; lenStep[l]: lengthStep of length l. A match of `nice` or longer is
  // taken whole: the match finder gave the positions it covers nothing.
  template <class Lit, class MatchesAt, class DistPrice>
  static void search(size_t n, uint32_t minMatch, uint32_t maxMatch, uint32_t nice, const Node* lenStep, Lit lit,
                     MatchesAt matchesAt, DistPrice distPrice, std::vector<Node>& nodes) {
    nodes.assign(n + 1, ~Node{0});
    nodes[0] = 0;
    for (size_t i = 0; i < n; ++i) {
      const uint32_t base = static_cast<uint32_t>(nodes[i] >> 32);
      Node* to = nodes.data() + i;
      to[1] = std::min(to[1], Node{base + lit(i)} << 32 | Node{1} << kLenShift);
      uint32_t shorter = minMatch - 1;
      // Matches may run past the end of a part parsed on its own.
      const uint32_t room = static_cast<uint32_t>(std::min<size_t>(n - i, maxMatch));
      const auto [begin, end] = matchesAt(i);
      for (auto m = begin; m != end && shorter < room; ++m) {
        const Node from = Node{base + distPrice(m->dist)} << 32 | m->dist;
        const uint32_t top = std::min<uint32_t>(m->length, room);
        // Branch-free, so that the loop runs straight through.
        for (uint32_t l = shorter + 1; l <= top; ++l) to[l] = std::min(to[l], from + lenStep[l]);
        shorter = top;
      }
      if (shorter >= nice) i += shorter - 1;
    }
  }

  // Calls step(at, len, dist) for each step of the path to n, the last first;
  // `at` is where the step ends.
  template <class Step>
  static void walkBack(const std::vector<Node>& nodes, size_t n, Step step) {
    constexpr Node kDistMask = (Node{1} << kLenShift) - 1;
    for (size_t at = n; at > 0;) {
      const uint32_t len = static_cast<uint32_t>((nodes[at] >> kLenShift) & ((Node{1} << (32 - kLenShift)) - 1));
      step(at, len, static_cast<uint32_t>(nodes[at] & kDistMask));
      at -= len;
    }
  }
};

}  // namespace fmt::codecs
