#include "codecs/lh/lh_encoder_span.h"

#include <cmath>
#include <vector>

#include "codecs/lh/lh_encoder_block.h"
#include "codecs/lh/lh_encoder_parse.h"
#include "codecs/lh/match_finder.h"

namespace fmt::codecs {
namespace {

// Codes parsed between two block decisions: small enough to place block ends
// well, large enough that their trees say something about the data.
constexpr size_t kSegmentCodes = 4096;
// A segment sent as literals must fit in one block.
constexpr size_t kSegmentBytes = 1 << 15;
static_assert(kSegmentBytes + kLhMaxMatch <= kLhMaxBlockCodes);

// Chosen on the benchmark corpora (tools/bench_lzh_encode.sh) for every window:
// a chain of 64 saves another 0.5-0.7% for a fifth more time.
constexpr LhParseTuning kTuning = {32, 128, 32, 8, 3};

// No code for these counts takes fewer bits than their entropy: a cheap bound
// that spares building the literal-only trees when a parse is clearly better.
uint64_t literalBitsAtLeast(const LhCounts& counts) {
  double sum = 0;
  for (uint32_t f : counts.c)
    if (f) sum += f * std::log2(static_cast<double>(f));
  const double n = static_cast<double>(counts.codes);
  return n > 0 ? static_cast<uint64_t>(n * std::log2(n) - sum) : 0;
}

// Four tables, so that a run of one byte value does not wait on its own increments.
void countBytes(const uint8_t* p, size_t n, uint32_t* counts) {
  uint32_t t[4][256] = {};
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    t[0][p[i]]++;
    t[1][p[i + 1]]++;
    t[2][p[i + 2]]++;
    t[3][p[i + 3]]++;
  }
  for (; i < n; i++) t[0][p[i]]++;
  for (int b = 0; b < 256; b++) counts[b] += t[0][b] + t[1][b] + t[2][b] + t[3][b];
}

// Pending codes that become one block, or two when splitting them costs less.
class BlockBuilder {
 public:
  BlockBuilder(LhBitWriter& out, int windowBits) : out_(out), coder_(windowBits) {}

  const LhBlockPlan* plan() const { return codes_.empty() ? nullptr : &plan_; }
  int np() const { return coder_.np(); }

  // Takes a segment (its codes, parsed from `bytes`) into the pending block or,
  // when a block of its own is cheaper or the pending one is full, writes the
  // pending block first. Prices learnt from a parse can favour matches that cost
  // more than plain literals would (noise, packed data): then the bytes go as literals.
  void add(std::vector<LhCode>& seg, const uint8_t* bytes, size_t n) {
    LhCounts counts;
    for (const LhCode& c : seg) counts.add(c);
    LhBlockPlan alone = coder_.plan(counts);
    LhCounts plain;
    countBytes(bytes, n, plain.c);
    plain.codes = n;
    if (literalBitsAtLeast(plain) < alone.bits && (literal_ = coder_.plan(plain)).bits < alone.bits) {
      seg.resize(n);
      for (size_t i = 0; i < n; i++) seg[i] = {bytes[i], 0};
      counts = plain;
      alone = literal_;
    }
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
  LhBlockPlan literal_;
};

}  // namespace

bool lhEncodeSpan(InStream& in, uint64_t history, uint64_t size, LhBitWriter& bits, int windowBits,
                  const ProgressFn& progress) {
  const uint64_t total = history + size;
  MatchFinder mf(in, total, windowBits, kLhMinMatch, kLhMaxMatch);
  if (history) {
    mf.fill(static_cast<size_t>(history));
    mf.skip(static_cast<size_t>(history));
  }
  BlockBuilder blocks(bits, windowBits);
  LhPrices prices;
  std::vector<LhCode> seg;
  std::vector<uint32_t> scratch;
  seg.reserve(kSegmentBytes + kLhMaxMatch);

  while (mf.consumed() < total) {
    mf.fill(kSegmentBytes + 2 * kLhMaxMatch);
    const bool more = mf.consumed() + mf.avail() < total;
    seg.clear();
    const uint8_t* from = mf.here();
    const uint64_t at = mf.consumed();
    lhParse(mf, kTuning, prices, more, kLhMaxMatch, kSegmentCodes, kSegmentBytes, seg, scratch);
    blocks.add(seg, from, static_cast<size_t>(mf.consumed() - at));
    if (const LhBlockPlan* p = blocks.plan()) prices.update(*p, blocks.np());
    if (bits.overLimit()) return false;
    if (progress && !progress(mf.consumed() - history, size)) fail(ErrorKind::Cancelled, "cancelled");
  }
  blocks.flush();
  return !bits.overLimit();
}

}  // namespace fmt::codecs
