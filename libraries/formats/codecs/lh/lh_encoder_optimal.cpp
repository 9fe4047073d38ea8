#include "codecs/lh/lh_encoder_optimal.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "codecs/bt_match_finder.h"
#include "codecs/lh/lh_encoder_blocks.h"

namespace fmt::codecs {
namespace {

struct LhMatch {
  uint16_t length;
  uint32_t dist;  // 1 .. the window
};

struct LhTreeTraits {
  using Match = LhMatch;
  using Distance = uint32_t;
  static constexpr size_t kMaxMatch = kLhMaxMatch;
  static constexpr int kHashBits = 16;
  static constexpr int kHash3Bits = 16;
  static constexpr uint32_t kMaxDistance = 0;           // by the window
  static constexpr size_t kRingSlots = size_t{2} << 16;  // two of the largest window
  static constexpr bool kStopMoves = false;             // the range's end
};

// Bytes parsed in one path search and handed to the blocks as one segment.
constexpr size_t kPieceBytes = 16384;
static_assert(kPieceBytes <= kLhMaxBlockCodes);
// Chosen on the benchmark corpora (tools/bench_vs_oracles.sh): half the
// depth costs 0.3% in size, twice the depth saves 0.1% for 10% more time; a
// second parse of each piece under its own trees saves under 0.4% for a third
// more time.
constexpr int kDepth = 32;
constexpr size_t kNice = 128;

// The cheapest way found to a position: price << 32 | len << 17 | dist, len
// the step's length (1 for a literal), dist its distance (0 for a literal).
// Packed so that the cheaper of two is their minimum.
using Node = uint64_t;
constexpr int kLenShift = 17;

struct Parser {
  std::vector<LhMatch> matches;
  std::vector<uint32_t> first;
  std::vector<Node> nodes;

  // The cheapest path over in[0, n) under `prices`, as codes.
  void parse(const uint8_t* in, size_t n, const LhPrices& prices, std::vector<LhCode>& codes) {
    nodes.assign(n + 1, ~Node{0});
    nodes[0] = 0;
    for (size_t i = 0; i < n; ++i) {
      const uint32_t base = static_cast<uint32_t>(nodes[i] >> 32);
      Node* to = nodes.data() + i;
      to[1] = std::min(to[1], Node{base + prices.lit[in[i]]} << 32 | Node{1} << kLenShift);
      uint32_t shorter = kLhMinMatch - 1;
      // A piece is parsed on its own: matches stop at its end.
      const uint32_t room = static_cast<uint32_t>(std::min<size_t>(n - i, kLhMaxMatch));
      const LhMatch* end = matches.data() + first[i + 1];
      for (const LhMatch* m = matches.data() + first[i]; m != end && shorter < room; ++m) {
        const Node from = Node{base + prices.distance(m->dist)} << 32 | m->dist;
        const uint32_t top = std::min<uint32_t>(m->length, room);
        for (uint32_t l = shorter + 1; l <= top; ++l) to[l] = std::min(to[l], from + prices.lenStep[l]);
        shorter = top;
      }
      // The finder gave the positions inside a long match nothing: take it whole.
      if (shorter >= kNice) i += shorter - 1;
    }
    codes.clear();
    for (size_t at = n; at > 0;) {
      const uint32_t len = static_cast<uint32_t>(nodes[at] >> kLenShift) & 0x1FF;
      const uint32_t dist = static_cast<uint32_t>(nodes[at]) & ((1u << kLenShift) - 1);
      if (dist == 0) codes.push_back({in[at - 1], 0});
      else codes.push_back({static_cast<uint16_t>(256 + len - kLhMinMatch), static_cast<uint16_t>(dist - 1)});
      at -= len;
    }
    std::reverse(codes.begin(), codes.end());
  }
};

}  // namespace

LhPrices::LhPrices() {
  std::fill(std::begin(lit), std::end(lit), 8);
  for (uint32_t l = 0; l <= kLhMaxMatch; l++) {
    const uint64_t price = 5 + (l >= 8) + (l >= 16) + (l >= 32) * 2;
    lenStep[l] = price << 32 | uint64_t{l} << kLenShift;
  }
  for (int c = 0; c < kLhMaxNP; c++) cls[c] = 4 + (c > 1 ? c - 1 : 0);
}

void LhPrices::update(const LhBlockPlan& plan, int np) {
  // A symbol the trees leave out would come in about as rarely as once a block.
  const uint32_t rare = std::min<uint32_t>(16, 2 + static_cast<uint32_t>(std::bit_width(plan.codes)));
  auto priceOf = [rare](const uint8_t* lens, int single, int sym) -> uint32_t {
    if (single >= 0) return sym == single ? 1 : rare;
    return lens[sym] ? lens[sym] : rare;
  };
  for (int i = 0; i < 256; i++) lit[i] = priceOf(plan.cLen, plan.cSingle, i);
  for (uint32_t l = kLhMinMatch; l <= kLhMaxMatch; l++) {
    const uint64_t price = priceOf(plan.cLen, plan.cSingle, static_cast<int>(256 + l - kLhMinMatch));
    lenStep[l] = price << 32 | uint64_t{l} << kLenShift;
  }
  for (int c = 0; c < np; c++) cls[c] = priceOf(plan.pLen, plan.pSingle, c) + (c > 1 ? c - 1 : 0);
}

bool lhEncodeRange(const uint8_t* data, size_t history, size_t size, LhBitWriter& bits, int windowBits,
                   const std::function<bool(uint64_t)>& keepGoing) {
  const uint32_t window = uint32_t{1} << windowBits;
  BtMatchFinder<LhTreeTraits> trees(0, 0, window);
  trees.setLimits(kDepth, kNice);
  trees.setData(data);
  trees.clear();
  trees.enter(history > window ? history - window : 0, history, size, kDepth);

  LhBlockBuilder blocks(bits, windowBits);
  LhPrices prices;
  Parser parser;
  std::vector<LhCode> seg;
  for (size_t pos = history; pos < size;) {
    const size_t n = std::min(kPieceBytes, size - pos);
    trees.findAll(pos, pos + n, size, parser.matches, parser.first);
    parser.parse(data + pos, n, prices, seg);
    blocks.add(seg, data + pos, n);
    if (const LhBlockPlan* p = blocks.plan()) prices.update(*p, blocks.coder().np());
    pos += n;
    if (bits.overLimit() || !keepGoing(pos - history)) return false;
  }
  blocks.flush();
  return !bits.overLimit();
}

}  // namespace fmt::codecs
