#include "codecs/lh/lh_encoder_optimal.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "codecs/shortest_path.h"
#include "codecs/lh/lh_encoder_blocks.h"
#include "codecs/lh/lh_match_finder.h"

namespace fmt::codecs {
namespace {

// Bytes parsed in one path search and handed to the blocks as one segment.
constexpr size_t kPieceBytes = 16384;
static_assert(kPieceBytes <= kLhMaxBlockCodes);
// Chosen on the benchmark corpora (tools/bench_vs_oracles.sh, CPU time): a
// nice length of 48 in place of 128 takes about a sixth less time on text for
// 0.7% more in size, and next to nothing on programs. The time goes to the
// tree walks, each node a dependent load: at this nice length half the depth
// saves only a few percent for 0.1% more; leaving positions inside long
// matches out of the trees, or walking them shallower, costs 1-4% on text. A
// second parse of each piece under its own trees saves under 0.4% for a third
// more time. Walks average five or six nodes and seldom reach the depth; the
// cost per node is its load and the byte compare after it. Fetching both
// children ahead, or choosing the side without a branch, made it slower.
constexpr int kDepth = 32;
constexpr size_t kNice = 48;

// Nodes of the path search: lengths up to 256 and distances up to 65536 (17 bits).
using Path = ShortestPath<17>;

struct Parser {
  std::vector<LhMatch> matches;
  std::vector<uint32_t> first;
  std::vector<Path::Node> nodes;

  // The cheapest path over in[0, n) under `prices`, as codes. A piece is parsed
  // on its own: matches stop at its end.
  void parse(const uint8_t* in, size_t n, const LhPrices& prices, std::vector<LhCode>& codes) {
    Path::search(
        n, kLhMinMatch, kLhMaxMatch, kNice, prices.lenStep, [&](size_t i) { return prices.lit[in[i]]; },
        [&](size_t i) { return std::make_pair(matches.data() + first[i], matches.data() + first[i + 1]); },
        [&](uint32_t dist) { return prices.distance(dist); }, nodes);
    codes.clear();
    Path::walkBack(nodes, n, [&](size_t at, uint32_t len, uint32_t dist) {
      if (dist == 0) codes.push_back({in[at - 1], 0});
      else codes.push_back({static_cast<uint16_t>(256 + len - kLhMinMatch), static_cast<uint16_t>(dist - 1)});
    });
    std::reverse(codes.begin(), codes.end());
  }
};

}  // namespace

LhPrices::LhPrices() {
  std::fill(std::begin(lit), std::end(lit), 8);
  for (uint32_t l = 0; l <= kLhMaxMatch; l++) {
    const uint64_t price = 5 + (l >= 8) + (l >= 16) + (l >= 32) * 2;
    lenStep[l] = Path::lengthStep(static_cast<uint32_t>(price), l);
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
    lenStep[l] = Path::lengthStep(static_cast<uint32_t>(price), l);
  }
  for (int c = 0; c < np; c++) cls[c] = priceOf(plan.pLen, plan.pSingle, c) + (c > 1 ? c - 1 : 0);
}

bool lhEncodeRange(const uint8_t* data, size_t history, size_t size, LhBitWriter& bits, int windowBits,
                   const std::function<bool(uint64_t)>& keepGoing) {
  const uint32_t window = uint32_t{1} << windowBits;
  LhMatchFinder trees(0, 0, window);
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
