#include "codecs/deflate/deflate_encoder_parse.h"

#include <algorithm>
#include <limits>

#include "codecs/shortest_path.h"

namespace fmt::codecs::deflate {
namespace {

constexpr uint32_t kInfinite = std::numeric_limits<uint32_t>::max();
// What a symbol the code leaves out is guessed to cost, should the parse use it.
constexpr uint32_t kUnusedBits = 13;
// A 3-byte match this far away costs about as much as three literals.
constexpr uint32_t kFarShortMatch = 4096;
// The lazy parse takes a match this long without looking a byte further.
constexpr uint32_t kLazyEnough = 32;

}  // namespace

void SymbolCounts::clear() {
  std::fill(std::begin(litlen), std::end(litlen), 0);
  std::fill(std::begin(dist), std::end(dist), 0);
}

void SymbolCounts::add(const Token* t, size_t n) {
  // Literals and matches alternate at random: selects, not branches (a
  // literal adds nothing to the first distance code).
  for (size_t i = 0; i < n; ++i) {
    const bool match = t[i].dist != 0;
    const uint32_t len = t[i].len;
    litlen[match ? 257 + kLengthCodes.index[len <= kMaxMatch ? len : 0] : len]++;
    const uint32_t d = match ? t[i].dist - 1u : 0u;
    const uint8_t near = kDistanceCodes.low[d & 255], far = kDistanceCodes.high[(d >> 7) & 255];
    dist[d < 256 ? near : far] += match;
  }
}

void SymbolCounts::add(const SymbolCounts& o) {
  for (int i = 0; i < kLitLenSymbols; ++i) litlen[i] += o.litlen[i];
  for (int i = 0; i < kDistSymbols; ++i) dist[i] += o.dist[i];
}

void SymbolCounts::subtract(const SymbolCounts& o) {
  for (int i = 0; i < kLitLenSymbols; ++i) litlen[i] -= o.litlen[i];
  for (int i = 0; i < kDistSymbols; ++i) dist[i] -= o.dist[i];
}

void Prices::set(const BlockCode& code) {
  auto bits = [](uint8_t len) { return len ? uint32_t{len} : kUnusedBits; };
  for (int i = 0; i < 256; ++i) lit[i] = bits(code.litlen[i]);
  for (uint32_t l = kMinMatch; l <= kMaxMatch; ++l) {
    const int c = kLengthCodes.index[l];
    len[l] = bits(code.litlen[257 + c]) + kLengthExtra[c];
  }
  len[0] = len[1] = len[2] = kInfinite / 4;
  for (uint32_t l = 0; l <= kMaxMatch; ++l) lenStep[l] = uint64_t{len[l]} << 32 | uint64_t{l} << 16;
  for (int c = 0; c < kDistSymbols; ++c) dist[c] = bits(code.dist[c]) + kDistExtra[c];
}

void parseLazy(const uint8_t* in, size_t n, const MatchList& m, std::vector<Token>& tokens) {
  tokens.clear();
  // The finder gives positions inside a long match no matches of their own:
  // there the latest match met runs on, one byte shorter per byte.
  size_t carryAt = 0;
  Match carry{0, 0};
  auto note = [&](size_t k) {
    if (m.begin(k) != m.end(k)) {
      carryAt = k;
      carry = m.end(k)[-1];
    }
  };
  auto longest = [&](size_t i) -> Match {
    if (i >= n) return {0, 0};
    Match best{0, 0};
    if (m.begin(i) != m.end(i)) best = m.end(i)[-1];
    else if (carryAt < i && carryAt + carry.length > i)
      best = {static_cast<uint16_t>(carryAt + carry.length - i), carry.dist};
    if (best.length > n - i) best.length = static_cast<uint16_t>(n - i);
    if (best.length < kMinMatch) return {0, 0};
    if (best.length == kMinMatch && best.dist > kFarShortMatch) return {0, 0};
    return best;
  };
  size_t i = 0;
  while (i < n) {
    note(i);
    const Match here = longest(i);
    if (here.length == 0 || (here.length < kLazyEnough && longest(i + 1).length > here.length)) {
      tokens.push_back({in[i], 0});
      ++i;
      continue;
    }
    tokens.push_back({here.length, here.dist});
    for (size_t k = i + 1; k < i + here.length; ++k) note(k);
    i += here.length;
  }
}

void parseOptimal(const uint8_t* in, size_t n, const MatchList& m, const Prices& prices, uint32_t niceLength,
                  std::vector<PathNode>& nodes, std::vector<Token>& tokens) {
  using Path = ShortestPath<16>;
  // Plain pointers: through the references the compiler would load them anew
  // after every store into the nodes.
  const Match* const all = m.matches.data();
  const uint32_t* const first = m.first.data() + m.offset;
  const uint32_t* const lit = prices.lit;
  const uint32_t* const dist = prices.dist;
  Path::search(
      n, kMinMatch, kMaxMatch, niceLength, prices.lenStep, [=](size_t i) { return lit[in[i]]; },
      [=](size_t i) { return std::make_pair(all + first[i], all + first[i + 1]); },
      [=](uint32_t d) { return dist[kDistanceCodes.of(d)]; }, nodes);
  tokens.clear();
  Path::walkBack(nodes, n, [&](size_t at, uint32_t len, uint32_t dist) {
    if (dist == 0) tokens.push_back({in[at - 1], 0});
    else tokens.push_back({static_cast<uint16_t>(len), static_cast<uint16_t>(dist)});
  });
  std::reverse(tokens.begin(), tokens.end());
}

}  // namespace fmt::codecs::deflate
