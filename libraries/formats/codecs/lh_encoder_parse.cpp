#include "codecs/lh_encoder_parse.h"

#include <algorithm>

namespace fmt::codecs {
namespace {

struct Choice {
  Match m;
  int32_t gain = 0;  // bits saved against literals; a choice with no gain is a literal
};

class LazyParser {
 public:
  LazyParser(MatchFinder& mf, const LhParseTuning& t, const LhPrices& prices) : mf_(mf), t_(t), prices_(prices) {}

  // The most profitable match at the current position, which the search passes.
  Choice best(uint32_t chain) {
    Choice c;
    const uint8_t* p = mf_.here();
    mf_.search(chain, t_.nice, 0, [&](uint32_t len, uint32_t dist) {
      int32_t g = literalBits(p, len) - static_cast<int32_t>(prices_.match(len, dist));
      if (g > c.gain) {
        c.gain = g;
        c.m = {len, dist};
      }
      return len;
    });
    return c;
  }

 private:
  int32_t literalBits(const uint8_t* p, uint32_t len) const {
    uint32_t bits = 0;
    for (uint32_t i = 0; i < len; i++) bits += prices_.lit[p[i]];
    return static_cast<int32_t>(bits);
  }

  MatchFinder& mf_;
  const LhParseTuning& t_;
  const LhPrices& prices_;
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
  // A symbol the trees leave out would lengthen them: price it past the longest code.
  auto priceOf = [](const uint8_t* lens, int n, int single, int sym) -> uint32_t {
    if (single >= 0) return sym == single ? 1 : 8;
    uint32_t longest = *std::max_element(lens, lens + n);
    return lens[sym] ? lens[sym] : longest + 2;
  };
  for (int i = 0; i < 256; i++) lit[i] = priceOf(plan.cLen, kLhNC, plan.cSingle, i);
  for (uint32_t l = kLhMinMatch; l <= kLhMaxMatch; l++)
    len[l] = priceOf(plan.cLen, kLhNC, plan.cSingle, static_cast<int>(256 + l - kLhMinMatch));
  for (int c = 0; c < np; c++) cls[c] = priceOf(plan.pLen, np, plan.pSingle, c);
}

void lhParse(MatchFinder& mf, const LhParseTuning& t, const LhPrices& prices, bool moreInput, uint32_t reserve,
             size_t maxCodes, std::vector<LhCode>& codes) {
  LazyParser parser(mf, t, prices);
  const size_t stopAt = codes.size() + maxCodes;
  while (codes.size() < stopAt && mf.avail() > 0 && !(moreInput && mf.avail() < reserve)) {
    const uint8_t* start = mf.here();  // the buffer does not move during the parse
    Choice cur = parser.best(t.chain);
    if (cur.gain <= 0) {
      codes.push_back(literal(start[0]));
      continue;
    }
    // Defer while the next position offers more: each deferral costs one literal.
    size_t at = 0;
    bool done = false;
    while (cur.m.len < t.lazy && mf.avail() > 0) {
      Choice ahead = parser.best(cur.m.len >= t.good ? t.chain / 4 : t.chain);
      if (ahead.gain <= cur.gain) {
        codes.push_back(matchCode(cur.m));
        mf.skip(cur.m.len - 2);
        done = true;
        break;
      }
      codes.push_back(literal(start[at++]));
      cur = ahead;
    }
    if (!done) {
      codes.push_back(matchCode(cur.m));
      mf.skip(cur.m.len - 1);
    }
  }
}

}  // namespace fmt::codecs
