// The LZX encoder's parse: a forward shortest-path search over each frame with
// bit costs from the previous trees. Each position gets the repeated offsets of
// the best path reaching it, so repeated-offset matches are priced exactly
// along that path.
#include <algorithm>
#include <limits>

#include "codecs/common_prefix.h"
#include "codecs/lzx/lzx_encoder_parts.h"
#include "codecs/lzx/lzx_huffman.h"

namespace fmt::codecs::lzx {

namespace {

constexpr uint32_t kInfinite = std::numeric_limits<uint32_t>::max();

// The best step found to a position. Its repeated offsets follow from the
// step and those of the position it starts at, so they are worked out once,
// when the search reaches the position, not at every improvement.
struct Node {
  uint32_t price;
  uint32_t from;
  uint32_t dist;    // match distance (0 for a literal)
  uint16_t length;  // 1 for a literal
  int8_t kind;      // -1 literal, 0..2 repeated offset, 3 new offset
};

struct Repeats {
  uint32_t r[3];
};

// The repeated offsets after a step of `kind` from offsets f.
inline Repeats afterStep(const Repeats& f, int kind, uint32_t dist) {
  switch (kind) {
    case 1: return {{f.r[1], f.r[0], f.r[2]}};
    case 2: return {{f.r[2], f.r[1], f.r[0]}};
    case 3: return {{dist, f.r[0], f.r[1]}};
    default: return f;
  }
}

inline uint32_t matchSymbolPrice(const Prices& p, int slot, uint32_t len) {
  uint32_t header = std::min<uint32_t>(len - kMinMatch, kPrimaryLengths);
  uint32_t cost = p.main[kNumChars + slot * 8 + header];
  if (header == kPrimaryLengths) cost += p.length[len - kMinMatch - kPrimaryLengths];
  return cost;
}

}  // namespace

int slotOf(uint32_t formatted) {
  if (formatted < 4) return static_cast<int>(formatted);
  if (formatted >= (1u << 19)) return 38 + static_cast<int>((formatted - (1u << 19)) >> 17);
  int hb = 31 - __builtin_clz(formatted);
  return 2 * hb + static_cast<int>((formatted >> (hb - 1)) & 1);
}

void Prices::set(const CodeLengths& lengths, int mainSymbols) {
  for (int i = 0; i < mainSymbols; ++i)
    main[i] = lengths.main[i] ? lengths.main[i] : (i < kNumChars ? 12 : 14);
  for (int i = 0; i < kLengthSymbols; ++i) length[i] = lengths.length[i] ? lengths.length[i] : 11;
}

void Prices::setFlat(int mainSymbols) {
  for (int i = 0; i < mainSymbols; ++i) main[i] = i < kNumChars ? 8 : 10 + (i - kNumChars) / 8 / 8;
  for (int i = 0; i < kLengthSymbols; ++i) length[i] = 5 + std::min(i / 16, 5);
}

void parseFrame(const MatchFinder& finder, size_t start, size_t n, const std::vector<Match>& matches,
                const std::vector<uint32_t>& first, const Prices& prices, int niceLength, uint32_t r[3],
                std::vector<Token>& tokens) {
  const SlotTables& slots = slotTables();
  const uint8_t* b = finder.data();
  std::vector<Node> nodes(n + 1);
  for (Node& nd : nodes) nd.price = kInfinite;
  nodes[0].price = 0;
  // Those of the positions the search reached (a step starts only there).
  std::vector<Repeats> repeats(n + 1);
  std::copy(r, r + 3, repeats[0].r);

  auto relax = [&](size_t to, uint32_t price, size_t from, uint16_t len, int8_t kind, uint32_t dist) {
    Node& t = nodes[to];
    if (price >= t.price) return;
    t.price = price;
    t.from = static_cast<uint32_t>(from);
    t.length = len;
    t.kind = kind;
    t.dist = dist;
  };

  for (size_t i = 0; i < n; ++i) {
    const Node& cur = nodes[i];
    if (cur.price == kInfinite) continue;
    if (i > 0) repeats[i] = afterStep(repeats[cur.from], cur.kind, cur.dist);
    const size_t p = start + i;
    const uint32_t base = cur.price;
    relax(i + 1, base + prices.main[b[p]], i, 1, -1, 0);
    const uint32_t maxLen = static_cast<uint32_t>(std::min<size_t>(kMaxMatch, n - i));
    if (maxLen < kMinMatch) continue;

    uint32_t longest = 0;
    const uint32_t reach = finder.reach(p);
    const uint32_t* const rep = repeats[i].r;
    for (int k = 0; k < 3; ++k) {
      uint32_t d = rep[k];
      if (d == 0 || d > reach || (k > 0 && d == rep[0]) || (k == 2 && d == rep[1])) continue;
      const uint8_t* a = b + p - d;
      if (a[0] != b[p] || a[1] != b[p + 1]) continue;
      const uint32_t len = static_cast<uint32_t>(commonPrefixLength(a, b + p, maxLen));
      if (len < kMinMatch) continue;
      for (uint32_t l = kMinMatch; l <= len; ++l)
        relax(i + l, base + matchSymbolPrice(prices, k, l), i, static_cast<uint16_t>(l), static_cast<int8_t>(k), d);
      longest = std::max(longest, len);
    }

    uint32_t shorter = kMinMatch;
    for (uint32_t m = first[i]; m < first[i + 1]; ++m) {
      const Match& mt = matches[m];
      uint32_t len = mt.length;
      if (mt.distance != rep[0] && mt.distance != rep[1] && mt.distance != rep[2]) {
        int slot = slotOf(mt.distance + 2);
        uint32_t footer = slots.extra[slot];
        for (uint32_t l = shorter + 1; l <= len; ++l)
          relax(i + l, base + matchSymbolPrice(prices, slot, l) + footer, i, static_cast<uint16_t>(l), 3,
                mt.distance);
      }
      shorter = len;
      longest = std::max(longest, len);
    }
    // A long match is taken as it stands: searching inside it gains little
    // (the match finder skips the same positions).
    if (longest >= static_cast<uint32_t>(niceLength)) i += longest - 1;
  }

  // Walk back from the end and emit the path forwards.
  std::vector<uint32_t> path;
  for (size_t at = n; at > 0; at = nodes[at].from) path.push_back(static_cast<uint32_t>(at));
  tokens.clear();
  tokens.reserve(path.size());
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    const Node& nd = nodes[*it];
    Token t{};
    t.lengthSymbol = -1;
    if (nd.kind < 0) {
      t.mainSymbol = b[start + nd.from];
    } else {
      int slot = nd.kind < 3 ? nd.kind : slotOf(nd.dist + 2);
      uint32_t header = std::min<uint32_t>(nd.length - kMinMatch, kPrimaryLengths);
      t.mainSymbol = static_cast<uint16_t>(kNumChars + slot * 8 + header);
      if (header == kPrimaryLengths) t.lengthSymbol = static_cast<int16_t>(nd.length - kMinMatch - kPrimaryLengths);
      if (nd.kind == 3) {
        t.footerBits = slots.extra[slot];
        t.footer = nd.dist + 2 - slots.base[slot];
      }
    }
    tokens.push_back(t);
  }
  const Repeats end = n ? afterStep(repeats[nodes[n].from], nodes[n].kind, nodes[n].dist) : repeats[0];
  std::copy(end.r, end.r + 3, r);
}

void SymbolCounts::add(const std::vector<Token>& tokens) {
  for (const Token& t : tokens) {
    main[t.mainSymbol]++;
    if (t.lengthSymbol >= 0) length[t.lengthSymbol]++;
  }
}

void SymbolCounts::add(const SymbolCounts& other) {
  for (int i = 0; i < kMaxMainSymbols; ++i) main[i] += other.main[i];
  for (int i = 0; i < kLengthSymbols; ++i) length[i] += other.length[i];
}

void chooseLengths(const SymbolCounts& counts, int mainSymbols, CodeLengths& out) {
  uint32_t lengthFreq[kLengthSymbols];
  std::copy(std::begin(counts.length), std::end(counts.length), lengthFreq);
  // An empty length tree is legal, but not every decoder accepts one.
  if (std::all_of(std::begin(lengthFreq), std::end(lengthFreq), [](uint32_t f) { return f == 0; }))
    lengthFreq[0] = 1;
  std::vector<uint8_t> m = buildLengths(counts.main, mainSymbols, kMaxCodeLength);
  std::vector<uint8_t> l = buildLengths(lengthFreq, kLengthSymbols, kMaxCodeLength);
  std::copy(m.begin(), m.end(), out.main);
  std::fill(out.main + mainSymbols, out.main + kMaxMainSymbols, 0);
  std::copy(l.begin(), l.end(), out.length);
}

void chooseLengths(const std::vector<Token>& tokens, int mainSymbols, CodeLengths& out) {
  SymbolCounts counts;
  counts.add(tokens);
  chooseLengths(counts, mainSymbols, out);
}

uint64_t symbolBits(const SymbolCounts& counts, const CodeLengths& lengths, int mainSymbols) {
  uint64_t bits = 0;
  for (int i = 0; i < mainSymbols; ++i) bits += uint64_t(counts.main[i]) * lengths.main[i];
  for (int i = 0; i < kLengthSymbols; ++i) bits += uint64_t(counts.length[i]) * lengths.length[i];
  return bits;
}

}  // namespace fmt::codecs::lzx
