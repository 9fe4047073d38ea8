// The deflate encoder's parses of one piece of input into literals and
// matches: a lazy parse for the fast levels, and a shortest-path parse priced
// in bits by a block code for the others.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/deflate/deflate_encoder_format.h"
#include "codecs/deflate/deflate_encoder_match_finder.h"

namespace fmt::codecs::deflate {

// A literal (dist 0, len the byte) or a match.
struct Token {
  uint16_t len;
  uint16_t dist;
};

struct SymbolCounts {
  uint32_t litlen[kLitLenSymbols];
  uint32_t dist[kDistSymbols];

  SymbolCounts() { clear(); }
  void clear();
  void add(const Token* t, size_t n);
  void add(const SymbolCounts& o);
  void subtract(const SymbolCounts& o);
};

// Code lengths of one block (0: symbol unused).
struct BlockCode {
  uint8_t litlen[kLitLenSymbols];
  uint8_t dist[kDistSymbols];
};

// Bits each literal, each match length and each distance code costs, extra
// bits included.
struct Prices {
  uint32_t lit[256];
  uint32_t len[kMaxMatch + 1];
  uint32_t dist[kDistSymbols];
  // len[l] << 32 | l << 16: a length's part of a path node (see PathNode), so
  // that a step to it is one addition.
  uint64_t lenStep[kMaxMatch + 1];

  void set(const BlockCode& code);
  uint32_t match(uint32_t length, uint32_t distance) const { return len[length] + dist[kDistanceCodes.of(distance)]; }
};

// Matches as findAll gives them, seen from position `offset` of the piece on.
struct MatchList {
  const std::vector<Match>& matches;
  const std::vector<uint32_t>& first;
  size_t offset = 0;
  const Match* begin(size_t i) const { return matches.data() + first[offset + i]; }
  const Match* end(size_t i) const { return matches.data() + first[offset + i + 1]; }
};

// Longest match at each step, one byte deferred when the next position has a
// longer one. Far 3-byte matches, which cost more than three literals, are left.
void parseLazy(const uint8_t* in, size_t n, const MatchList& m, std::vector<Token>& tokens);

// The cheapest way found to a position: price << 32 | len << 16 | dist, where
// len is the step's length (1 for a literal) and dist its distance (0 for a
// literal). Packed so that the cheaper of two is their minimum.
using PathNode = uint64_t;

// The cheapest path under `prices` from position 0 to n; a match of
// niceLength or longer is taken whole without searching inside it.
void parseOptimal(const uint8_t* in, size_t n, const MatchList& m, const Prices& prices, uint32_t niceLength,
                  std::vector<PathNode>& scratch, std::vector<Token>& tokens);

}  // namespace fmt::codecs::deflate
