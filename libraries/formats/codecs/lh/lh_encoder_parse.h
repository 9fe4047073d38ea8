// Lazy LZ77 parsing for the -lh5-..-lh7- encoder, priced in bits by the code
// lengths of the block being built.
#pragma once
#include <cstdint>
#include <vector>

#include "codecs/lh/lh_encoder_block.h"
#include "codecs/lh/match_finder.h"

namespace fmt::codecs {

struct LhParseTuning {
  uint32_t chain;  // candidates examined per search
  uint32_t nice;   // a match this long ends the search
  uint32_t lazy;   // a match this long is taken without looking one byte further
  uint32_t good;   // with a match this long in hand, the look-ahead search is cut to a quarter
  int32_t lazyMargin;  // bits the match a byte on must save beyond the one in hand
};

// Bits each symbol costs under the current trees.
struct LhPrices {
  uint32_t lit[256];
  uint32_t len[kLhMaxMatch + 1];
  uint32_t cls[kLhMaxNP];

  LhPrices();  // a first guess, before any block is known
  void update(const LhBlockPlan& plan, int np);
  uint32_t match(uint32_t len, uint32_t dist) const {
    const int c = lhPosClass(dist - 1);
    return this->len[len] + cls[c] + (c > 1 ? c - 1 : 0);
  }
};

// Parses from the match finder's position until `codes` holds about `maxCodes`
// more codes, about `maxBytes` bytes are parsed, or fewer than `reserve` bytes are
// loaded ahead (more input to come). `scratch` is working memory kept between calls.
void lhParse(MatchFinder& mf, const LhParseTuning& t, const LhPrices& prices, bool moreInput, uint32_t reserve,
             size_t maxCodes, size_t maxBytes, std::vector<LhCode>& codes, std::vector<uint32_t>& scratch);

}  // namespace fmt::codecs
