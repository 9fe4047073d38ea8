#include "codecs/lh_encoder.h"

#include <vector>

#include "codecs/lh_encoder_bits.h"
#include "codecs/lh_encoder_block.h"
#include "codecs/lh_encoder_parse.h"
#include "codecs/match_finder.h"

namespace fmt::codecs {
namespace {

// Codes parsed between two block decisions: small enough to place block ends
// well, large enough that their trees say something about the data.
constexpr size_t kSegmentCodes = 8192;
constexpr size_t kLookahead = 1 << 16;

LhParseTuning tuningFor(int windowBits) {
  if (windowBits <= 13) return {48, 128, 32, 16};
  return {32, 128, 32, 16};
}

// Pending codes that become one block, or two when splitting them costs less.
class BlockBuilder {
 public:
  BlockBuilder(LhBitWriter& out, int windowBits) : out_(out), coder_(windowBits) {}

  const LhBlockPlan* plan() const { return codes_.empty() ? nullptr : &plan_; }
  int np() const { return coder_.np(); }

  // Takes the segment codes[from..) into the pending block or, when a block of
  // their own is cheaper or the pending one is full, writes the pending block first.
  void add(const std::vector<LhCode>& seg) {
    LhCounts counts;
    for (const LhCode& c : seg) counts.add(c);
    LhBlockPlan alone = coder_.plan(counts);
    if (!codes_.empty()) {
      bool fits = codes_.size() + seg.size() <= kLhMaxBlockCodes;
      if (fits) {
        LhCounts merged = counts_;
        merged.add(counts);
        LhBlockPlan joined = coder_.plan(merged);
        if (joined.bits <= plan_.bits + alone.bits) {
          codes_.insert(codes_.end(), seg.begin(), seg.end());
          counts_ = merged;
          plan_ = joined;
          return;
        }
      }
      flush();
    }
    codes_ = seg;
    counts_ = counts;
    plan_ = alone;
  }

  void flush() {
    if (codes_.empty()) return;
    coder_.write(out_, plan_, codes_.data(), codes_.size());
    codes_.clear();
    counts_ = LhCounts();
  }

 private:
  LhBitWriter& out_;
  LhBlockCoder coder_;
  std::vector<LhCode> codes_;
  LhCounts counts_;
  LhBlockPlan plan_;
};

}  // namespace

int lhWindowBits(int method) {
  switch (method) {
    case 5: return 13;
    case 6: return 15;
    case 7: return 16;
  }
  fail(ErrorKind::Usage, "no such LHA method: -lh" + std::to_string(method) + "-");
}

LhEncodeResult encodeLh(InStream& in, uint64_t size, OutStream& out, int method, uint64_t limit,
                        const ProgressFn& progress) {
  const int windowBits = lhWindowBits(method);
  const LhParseTuning tuning = tuningFor(windowBits);
  LhBitWriter bits(out, limit);
  MatchFinder mf(in, size, windowBits, kLhMinMatch, kLhMaxMatch);
  BlockBuilder blocks(bits, windowBits);
  LhPrices prices;
  std::vector<LhCode> seg;
  seg.reserve(kSegmentCodes + kLookahead);

  while (mf.consumed() < size) {
    mf.fill(kLookahead + kLhMaxMatch);
    const bool more = mf.consumed() + mf.avail() < size;
    seg.clear();
    lhParse(mf, tuning, prices, more, kLhMaxMatch, kSegmentCodes, seg);
    blocks.add(seg);
    if (const LhBlockPlan* p = blocks.plan()) prices.update(*p, blocks.np());
    if (bits.overLimit()) return {bits.size(), true};
    if (progress && !progress(mf.consumed(), size)) fail(ErrorKind::Cancelled, "cancelled");
  }
  blocks.flush();
  bits.finish();
  return {bits.size(), bits.overLimit()};
}

}  // namespace fmt::codecs
