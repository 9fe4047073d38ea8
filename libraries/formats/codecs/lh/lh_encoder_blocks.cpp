#include "codecs/lh/lh_encoder_blocks.h"

#include <cmath>

namespace fmt::codecs {
namespace {

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

}  // namespace

void LhBlockBuilder::add(std::vector<LhCode>& seg, const uint8_t* bytes, size_t n) {
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
    if (codes_.size() + seg.size() <= kLhMaxBlockCodes) {
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

void LhBlockBuilder::flush() {
  if (codes_.empty()) return;
  coder_.write(out_, plan_, codes_.data(), codes_.size());
  codes_.clear();
  counts_ = LhCounts();
}

}  // namespace fmt::codecs
