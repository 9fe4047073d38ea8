// The LZX encoder's parse: a forward shortest-path search over each frame with
// bit costs from the previous trees. Each position gets the repeated offsets of
// the best path reaching it, so repeated-offset matches are priced exactly
// along that path.
#include <algorithm>
#include <type_traits>

#include "codecs/common_prefix.h"
#include "codecs/lzx/lzx_encoder_parts.h"
#include "codecs/lzx/lzx_huffman.h"

namespace fmt::codecs::lzx {

namespace {

// The best step found to a position, packed so that the cheaper of two is
// their minimum: price << 32 | (511 - length) << 23 | code, the length 1 for a
// literal (code 0), else the code 0..2 for a repeated offset or 3 + the
// distance. Of two as cheap, the longer step wins (fewer symbols, and the
// repeated offsets of the path it ends stay in use).
using Node = uint64_t;
constexpr int kLengthShift = 23;
constexpr Node kCodeMask = (Node{1} << kLengthShift) - 1;
constexpr Node kUnreached = ~Node{0};
constexpr uint32_t kNewOffset = 3;
static_assert(kMaxMatch < (1 << (32 - kLengthShift)) && (1u << 21) + kNewOffset <= kCodeMask);

constexpr uint32_t kLengthField = (1u << (32 - kLengthShift)) - 1;
constexpr Node lengthPart(uint32_t l) { return Node{kLengthField - l} << kLengthShift; }
inline uint32_t stepLength(Node v) { return kLengthField - (static_cast<uint32_t>(v >> kLengthShift) & kLengthField); }
inline uint32_t stepCode(Node v) { return static_cast<uint32_t>(v & kCodeMask); }

// A position's repeated offsets follow from its step and those of the
// position the step starts at, so they are worked out once, when the search
// reaches the position, not at every improvement.
inline Repeats afterStep(const Repeats& f, uint32_t length, uint32_t code) {
  if (length == 1 || code == 0) return f;
  if (code == 1) return {{f.r[1], f.r[0], f.r[2]}};
  if (code == 2) return {{f.r[2], f.r[1], f.r[0]}};
  return {{code - kNewOffset, f.r[0], f.r[1]}};
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
                ParseScratch& scratch, std::vector<Token>& tokens) {
  static_assert(std::is_same_v<Node, decltype(scratch.nodes)::value_type>);
  const SlotTables& slots = slotTables();
  const uint8_t* b = finder.data();
  std::vector<Node>& nodes = scratch.nodes;
  nodes.assign(n + 1, kUnreached);
  nodes[0] = 0;
  // Those of the positions the search reached (a step starts only there;
  // the others are never read).
  std::vector<Repeats>& repeats = scratch.repeats;
  if (repeats.size() < n + 1) repeats.resize(n + 1);
  std::copy(r, r + 3, repeats[0].r);
  // A length's part of a step past the primary lengths: its length symbol's
  // price and the length itself.
  Node longStep[kMaxMatch + 1];
  for (uint32_t l = kMinMatch + kPrimaryLengths; l <= kMaxMatch; ++l)
    longStep[l] = Node{prices.length[l - kMinMatch - kPrimaryLengths]} << 32 | lengthPart(l);

  // Steps of lengths lo..hi with one slot (main symbols from `header`) and one
  // code, each `extra` bits more. Branch-free, so that the loops run straight.
  auto relaxLengths = [&](Node* to, uint32_t base, const uint32_t* header, uint32_t extra, uint32_t code,
                          uint32_t lo, uint32_t hi) {
    const uint32_t primaryEnd = std::min<uint32_t>(hi, kMinMatch + kPrimaryLengths - 1);
    for (uint32_t l = lo; l <= primaryEnd; ++l)
      to[l] = std::min(to[l], Node{base + extra + header[l - kMinMatch]} << 32 | lengthPart(l) | code);
    const Node from = Node{base + extra + header[kPrimaryLengths]} << 32 | code;
    for (uint32_t l = std::max<uint32_t>(lo, kMinMatch + kPrimaryLengths); l <= hi; ++l)
      to[l] = std::min(to[l], from + longStep[l]);
  };

  for (size_t i = 0; i < n; ++i) {
    const Node cur = nodes[i];
    if (cur == kUnreached) continue;
    if (i > 0) repeats[i] = afterStep(repeats[i - stepLength(cur)], stepLength(cur), stepCode(cur));
    const size_t p = start + i;
    const uint32_t base = static_cast<uint32_t>(cur >> 32);
    Node* const to = nodes.data() + i;
    to[1] = std::min(to[1], Node{base + prices.main[b[p]]} << 32 | lengthPart(1));
    const uint32_t maxLen = static_cast<uint32_t>(std::min<size_t>(kMaxMatch, n - i));
    if (maxLen < kMinMatch) continue;

    uint32_t longest = 0;
    const uint32_t reach = finder.reach(p);
    const uint32_t* const rep = repeats[i].r;
    for (uint32_t k = 0; k < 3; ++k) {
      uint32_t d = rep[k];
      if (d == 0 || d > reach || (k > 0 && d == rep[0]) || (k == 2 && d == rep[1])) continue;
      const uint8_t* a = b + p - d;
      if (a[0] != b[p] || a[1] != b[p + 1]) continue;
      const uint32_t len = static_cast<uint32_t>(commonPrefixLength(a, b + p, maxLen));
      relaxLengths(to, base, prices.main + kNumChars + k * 8, 0, k, kMinMatch, len);
      longest = std::max(longest, len);
    }

    uint32_t shorter = kMinMatch;
    for (uint32_t m = first[i]; m < first[i + 1]; ++m) {
      const Match& mt = matches[m];
      uint32_t len = mt.length;
      if (mt.distance != rep[0] && mt.distance != rep[1] && mt.distance != rep[2]) {
        int slot = slotOf(mt.distance + 2);
        relaxLengths(to, base, prices.main + kNumChars + slot * 8, slots.extra[slot], mt.distance + kNewOffset,
                     shorter + 1, len);
      }
      shorter = len;
      longest = std::max(longest, len);
    }
    // A long match is taken as it stands: searching inside it gains little
    // (the match finder skips the same positions).
    if (longest >= static_cast<uint32_t>(niceLength)) i += longest - 1;
  }

  // Walk back from the end and emit the path forwards.
  std::vector<uint32_t>& path = scratch.path;
  path.clear();
  for (size_t at = n; at > 0; at -= stepLength(nodes[at])) path.push_back(static_cast<uint32_t>(at));
  tokens.clear();
  tokens.reserve(path.size());
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    const uint32_t length = stepLength(nodes[*it]), code = stepCode(nodes[*it]);
    Token t{};
    t.lengthSymbol = -1;
    if (length == 1) {
      t.mainSymbol = b[start + *it - 1];
    } else {
      int slot = code < kNewOffset ? static_cast<int>(code) : slotOf(code - kNewOffset + 2);
      uint32_t header = std::min<uint32_t>(length - kMinMatch, kPrimaryLengths);
      t.mainSymbol = static_cast<uint16_t>(kNumChars + slot * 8 + header);
      if (header == kPrimaryLengths) t.lengthSymbol = static_cast<int16_t>(length - kMinMatch - kPrimaryLengths);
      if (code >= kNewOffset) {
        t.footerBits = slots.extra[slot];
        t.footer = code - kNewOffset + 2 - slots.base[slot];
      }
    }
    tokens.push_back(t);
  }
  const Repeats end = n ? afterStep(repeats[n - stepLength(nodes[n])], stepLength(nodes[n]), stepCode(nodes[n])) : repeats[0];
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
