#include "codecs/lh/lh_encoder_parse.h"

#include <algorithm>
#include <bit>

namespace fmt::codecs {
namespace {

struct Choice {
  Match m;
  int32_t gain = 0;  // bits saved against literals; a choice with no gain is a literal
};

class LazyParser {
 public:
  // Literal prices are summed as the parse goes, so that a match's worth is one
  // subtraction.
  LazyParser(MatchFinder& mf, const LhParseTuning& t, const LhPrices& prices, std::vector<uint32_t>& sums)
      : mf_(mf), t_(t), prices_(prices), base_(mf.here()), loaded_(mf.avail()), sums_(sums) {
    sums_.resize(loaded_ + 1);
    sums_[0] = 0;
  }

  // The most profitable match at the current position, which the search passes.
  // Only matches longer than `beat` are looked at.
  Choice best(uint32_t chain, uint32_t beat = 0) {
    Choice c;
    const size_t at = static_cast<size_t>(mf_.here() - base_);
    const size_t reach = std::min(loaded_, at + kLhMaxMatch);
    for (; summed_ < reach; summed_++) sums_[summed_ + 1] = sums_[summed_] + prices_.lit[base_[summed_]];
    mf_.search(chain, t_.nice, beat, [&](uint32_t len, uint32_t dist) {
      int32_t g = static_cast<int32_t>(sums_[at + len] - sums_[at]) - static_cast<int32_t>(prices_.match(len, dist));
      if (g > c.gain) {
        c.gain = g;
        c.m = {len, dist};
      }
      return len;
    });
    return c;
  }

 private:
  MatchFinder& mf_;
  const LhParseTuning& t_;
  const LhPrices& prices_;
  const uint8_t* base_;
  size_t loaded_;
  size_t summed_ = 0;
  std::vector<uint32_t>& sums_;
};

LhCode literal(uint8_t b) { return {b, 0}; }
LhCode matchCode(const Match& m) {
  return {static_cast<uint16_t>(256 + m.len - kLhMinMatch), static_cast<uint16_t>(m.dist - 1)};
}

}  // namespace

LhPrices::LhPrices() {
  std::fill(std::begin(lit), std::end(lit), 8);
  for (uint32_t l = 0; l <= kLhMaxMatch; l++) len[l] = 5 + (l >= 8) + (l >= 16) + (l >= 32) * 2;
  std::fill(std::begin(cls), std::end(cls), 4);
}

void LhPrices::update(const LhBlockPlan& plan, int np) {
  // A symbol the trees leave out would come in about as rarely as once a block.
  const uint32_t rare = std::min<uint32_t>(16, 2 + static_cast<uint32_t>(std::bit_width(plan.codes)));
  auto priceOf = [rare](const uint8_t* lens, int single, int sym) -> uint32_t {
    if (single >= 0) return sym == single ? 1 : rare;
    return lens[sym] ? lens[sym] : rare;
  };
  for (int i = 0; i < 256; i++) lit[i] = priceOf(plan.cLen, plan.cSingle, i);
  for (uint32_t l = kLhMinMatch; l <= kLhMaxMatch; l++)
    len[l] = priceOf(plan.cLen, plan.cSingle, static_cast<int>(256 + l - kLhMinMatch));
  for (int c = 0; c < np; c++) cls[c] = priceOf(plan.pLen, plan.pSingle, c);
}

void lhParse(MatchFinder& mf, const LhParseTuning& t, const LhPrices& prices, bool moreInput, uint32_t reserve,
             size_t maxCodes, size_t maxBytes, std::vector<LhCode>& codes, std::vector<uint32_t>& scratch) {
  LazyParser parser(mf, t, prices, scratch);
  const size_t stopAt = codes.size() + maxCodes;
  const uint8_t* const begin = mf.here();
  while (codes.size() < stopAt && static_cast<size_t>(mf.here() - begin) < maxBytes && mf.avail() > 0 &&
         !(moreInput && mf.avail() < reserve)) {
    const uint8_t* start = mf.here();  // the buffer does not move during the parse
    Choice cur = parser.best(t.chain);
    if (cur.gain <= 0) {
      codes.push_back(literal(start[0]));
      continue;
    }
    // Defer while a match a byte on saves clearly more: each step costs a literal.
    // A look-ahead match no longer than this one less a byte rarely wins.
    size_t at = 0;
    size_t passed = 1;  // positions after `at` that the searches went through
    while (cur.m.len < t.lazy && mf.avail() > 0) {
      const uint32_t chain = cur.m.len >= t.good ? t.chain / 4 : t.chain;
      Choice ahead = parser.best(chain, cur.m.len - 1);
      passed = 2;
      if (ahead.gain > cur.gain + t.lazyMargin) {
        codes.push_back(literal(start[at++]));
        cur = ahead;
        passed = 1;
        continue;
      }
      break;
    }
    codes.push_back(matchCode(cur.m));
    mf.skip(cur.m.len - passed);
  }
}

}  // namespace fmt::codecs
