#include "codecs/lzx/lzx_match_finder.h"

#include <algorithm>
#include <cstring>

#include "codecs/common_prefix.h"
#include "codecs/looks_like_text.h"
#include "codecs/lzx/lzx.h"
#include "codecs/lzx/lzx_format.h"

namespace fmt::codecs::lzx {

static_assert(TreeTraits::kMaxMatch == kMaxMatch);

namespace {
// The longest of position i's near matches (lists of rising length), or 0.
size_t longestNear(const std::vector<Match>& near, const std::vector<uint32_t>& nearFirst, size_t i) {
  return nearFirst[i] < nearFirst[i + 1] ? near[nearFirst[i + 1] - 1].length : 0;
}
}  // namespace

// The buffer holds the window behind, less than a ring of the trees' slots
// more (a slide moves the bytes by whole rings), and room to append a window
// and a frame until the next slide.
MatchFinder::MatchFinder(int windowBits, int depth, int niceLength, bool textSkips)
    : windowSize_(1u << windowBits),
      maxDistance_(windowSize_ - 3),
      buf_(2 * static_cast<size_t>(windowSize_) + TreeTraits::kRingSlots + kLzxFrameSize),
      depth_(depth),
      nice_(niceLength),
      textSkips_(textSkips),
      trees_(buf_.size(), windowBits < 17 ? 16 : 17, std::min(maxDistance_, kNearDistance)),
      // A window the trees reach across needs no far table.
      far_(maxDistance_ > kNearDistance ? (size_t(1) << kFarBits) * kFarWays : 0) {
  static_assert(kFarPosMask >= 2 * (size_t(1) << kLzxMaxWindowBits) + TreeTraits::kRingSlots + kLzxFrameSize);
  reset();
}

void MatchFinder::reset() {
  size_ = 0;
  dropped_ = 0;
  trees_.setData(buf_.data());
  trees_.clear();
  std::fill(far_.begin(), far_.end(), kFarEmpty);
}

// Keeps at least the last window of history at the front of the buffer.
void MatchFinder::slide() {
  const size_t delta = (size_ - windowSize_) / TreeTraits::kRingSlots * TreeTraits::kRingSlots;
  const size_t keep = size_ - delta;
  std::memmove(buf_.data(), buf_.data() + delta, keep);
  trees_.moveDown(delta, keep);
  for (uint32_t& v : far_)
    if (v != kFarEmpty) v = (v & kFarPosMask) < delta ? kFarEmpty : v - static_cast<uint32_t>(delta);
  size_ = keep;
  dropped_ += delta;
}

void MatchFinder::makeRoom(size_t n) {
  if (size_ + n > buf_.size()) slide();
}

size_t MatchFinder::append(const uint8_t* in, size_t n) {
  makeRoom(n);
  std::memcpy(buf_.data() + size_, in, n);
  size_t at = size_;
  size_ += n;
  return at;
}

// The top bits of the product pick the bucket, the next ones are the tag.
uint32_t MatchFinder::farHash(size_t p) const {
  uint64_t v;
  std::memcpy(&v, buf_.data() + p, 8);
  if (kFarBytes < 8) v <<= 64 - 8 * kFarBytes;
  return static_cast<uint32_t>((v * 0x9E3779B97F4A7C15ull) >> 32);
}

void MatchFinder::findFar(size_t from, size_t to, const std::vector<Match>& near,
                          const std::vector<uint32_t>& nearFirst, std::vector<Match>& found) {
  const uint8_t* const b = buf_.data();
  uint32_t* const table = far_.data();
  const size_t n = to - from;
  found.assign(n, Match{0, 0});
  if (far_.empty()) return;
  // Each position's hash is made once, 2 * kFarAhead positions early, when its
  // bucket is fetched; kFarAhead positions early its candidates are read and
  // the bytes of those whose tag agrees fetched (the positions entered
  // meanwhile are too near to matter).
  constexpr size_t kRing = 2 * kFarAhead;
  uint32_t hashes[kRing];
  uint32_t ahead[kRing][kFarWays];
  uint8_t aheadCount[kRing];
  auto bucketOf = [&](uint32_t h) { return table + size_t(h >> (32 - kFarBits)) * kFarWays; };
  auto entryOf = [](size_t q, uint32_t h) {
    return static_cast<uint32_t>(q) | (h >> (32 - kFarBits - kFarTagBits) & ((1u << kFarTagBits) - 1)) << kFarPosBits;
  };
  // Eight bytes are hashed: positions that near the buffer's end are left out.
  const size_t last = std::min(to, size_ >= 8 ? size_ - 7 : 0);
  auto hashAhead = [&](size_t q) {
    hashes[q % kRing] = farHash(q);
    __builtin_prefetch(bucketOf(hashes[q % kRing]));
  };
  // Only a far match longer than the trees' longest counts.
  // The parse takes a match of nice length whole, so the positions it covers
  // are only entered.
  size_t coveredUntil = from;
  // A candidate whose tag differs has other first bytes (a match of under
  // kFarBytes, worth nothing that far): its bytes are not read.
  auto readAhead = [&](size_t q) {
    if (q < coveredUntil) return;
    uint32_t* cand = ahead[q % kRing];
    const uint32_t* bucket = bucketOf(hashes[q % kRing]);
    const uint32_t tag = entryOf(0, hashes[q % kRing]);
    uint8_t count = 0;
    for (size_t w = 0; w < kFarWays; ++w) {
      const uint32_t e = bucket[w];
      const size_t at = e & kFarPosMask;
      // Newest first: once one is out of reach, so are the rest.
      if (e == kFarEmpty || q - at > maxDistance_) break;
      if ((e & ~kFarPosMask) != tag) continue;
      cand[count++] = static_cast<uint32_t>(at);
      __builtin_prefetch(b + at);
    }
    aheadCount[q % kRing] = count;
  };
  for (size_t q = from; q < std::min(last, from + kRing); ++q) hashAhead(q);
  for (size_t q = from; q < std::min(last, from + kFarAhead); ++q) readAhead(q);
  for (size_t p = from; p < last; ++p) {
    if (p + kFarAhead < last) readAhead(p + kFarAhead);
    if (p >= coveredUntil) {
      const uint32_t* cand = ahead[p % kRing];
      const size_t maxLen = std::min<size_t>(kMaxMatch, to - p);
      Match best{static_cast<uint16_t>(longestNear(near, nearFirst, p - from)), 0};
      for (size_t w = 0; w < aheadCount[p % kRing]; ++w) {
        // A candidate that differs where the best so far ends is no longer.
        const uint8_t* c = b + cand[w];
        if (best.length >= maxLen || c[best.length] != b[p + best.length]) continue;
        const size_t len = commonPrefixLength(c, b + p, maxLen);
        if (len > best.length) best = Match{static_cast<uint16_t>(len), static_cast<uint32_t>(p - cand[w])};
      }
      if (best.distance) found[p - from] = best;
      if (best.length >= static_cast<size_t>(nice_)) coveredUntil = p + best.length;
    }
    uint32_t* bucket = bucketOf(hashes[p % kRing]);
    std::copy_backward(bucket, bucket + kFarWays - 1, bucket + kFarWays);
    bucket[0] = entryOf(p, hashes[p % kRing]);
    if (p + kRing < last) hashAhead(p + kRing);
  }
}

void MatchFinder::findNear(size_t from, size_t to, std::vector<Match>& matches, std::vector<uint32_t>& first) {
  const bool skips = textSkips_ && looksLikeText(buf_.data() + from, to - from);
  trees_.setLimits(depth_, static_cast<size_t>(nice_), !skips);
  trees_.findAll(from, to, to, matches, first);
}

void MatchFinder::findAll(size_t from, size_t to, std::vector<Match>& matches, std::vector<uint32_t>& first) {
  findNear(from, to, near_, nearFirst_);
  findFar(from, to, near_, nearFirst_, farBest_);
  merge(near_, nearFirst_, farBest_, matches, first);
}

// Each position's near matches, then the far one where it is longer.
void MatchFinder::merge(const std::vector<Match>& near, const std::vector<uint32_t>& nearFirst,
                        const std::vector<Match>& far, std::vector<Match>& matches, std::vector<uint32_t>& first) {
  auto farCounts = [&](size_t i) { return far[i].length >= 3 && far[i].length > longestNear(near, nearFirst, i); };
  // Sized first and filled in place: a vector's range insert costs more
  // than the copying itself for lists this short.
  size_t farCount = 0;
  for (size_t i = 0; i < far.size(); ++i) farCount += farCounts(i);
  matches.resize(nearFirst[far.size()] + farCount);
  first.resize(far.size() + 1);
  Match* out = matches.data();
  for (size_t i = 0; i < far.size(); ++i) {
    first[i] = static_cast<uint32_t>(out - matches.data());
    out = std::copy(near.data() + nearFirst[i], near.data() + nearFirst[i + 1], out);
    if (farCounts(i)) *out++ = far[i];
  }
  first[far.size()] = static_cast<uint32_t>(out - matches.data());
}

}  // namespace fmt::codecs::lzx
