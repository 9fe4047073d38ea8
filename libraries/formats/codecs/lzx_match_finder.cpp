#include "codecs/lzx_match_finder.h"

#include <algorithm>
#include <cstring>

#include "codecs/lzx.h"
#include "codecs/lzx_format.h"

namespace fmt::codecs::lzx {

namespace {

constexpr size_t kGoodLength = 32;

// Length of the common prefix of a and c, at most max, eight bytes at a time
// (the first differing byte is the lowest set one on little-endian targets).
size_t commonLength(const uint8_t* a, const uint8_t* c, size_t max) {
  size_t len = 0;
  while (len + 8 <= max) {
    uint64_t x, y;
    std::memcpy(&x, a + len, 8);
    std::memcpy(&y, c + len, 8);
    if (x != y) return len + static_cast<size_t>(__builtin_ctzll(x ^ y) >> 3);
    len += 8;
  }
  while (len < max && a[len] == c[len]) ++len;
  return len;
}

}  // namespace

MatchFinder::MatchFinder(int windowBits, int chainDepth, int niceLength)
    : windowSize_(1u << windowBits),
      maxDistance_((1u << windowBits) - 3),
      chainDepth_(chainDepth),
      niceLength_(niceLength),
      hashBits_(windowBits < 17 ? 16 : 17) {
  // The window behind plus room to append frames until the next slide.
  buf_.resize(2 * static_cast<size_t>(windowSize_) + kLzxFrameSize);
  prev_.resize(buf_.size());
  head_.resize(size_t(1) << hashBits_);
  head3_.resize(size_t(1) << kHash3Bits);
  reset();
}

void MatchFinder::reset() {
  size_ = 0;
  dropped_ = 0;
  std::fill(head_.begin(), head_.end(), -1);
  std::fill(head3_.begin(), head3_.end(), -1);
}

uint32_t MatchFinder::reach(size_t pos) const {
  uint64_t behind = dropped_ + pos;
  return static_cast<uint32_t>(std::min<uint64_t>(behind, maxDistance_));
}

// Keeps the last window of history at the front of the buffer.
void MatchFinder::slide() {
  size_t keep = windowSize_;
  size_t delta = size_ - keep;
  std::memmove(buf_.data(), buf_.data() + delta, keep);
  auto rebase = [delta](int32_t v) { return v < static_cast<int32_t>(delta) ? -1 : v - static_cast<int32_t>(delta); };
  for (int32_t& h : head_) h = rebase(h);
  for (int32_t& h : head3_) h = rebase(h);
  for (size_t i = 0; i < keep; ++i) prev_[i] = rebase(prev_[i + delta]);
  size_ = keep;
  dropped_ += delta;
}

size_t MatchFinder::append(const uint8_t* in, size_t n) {
  if (size_ + n > buf_.size()) slide();
  std::memcpy(buf_.data() + size_, in, n);
  size_t at = size_;
  size_ += n;
  return at;
}

void MatchFinder::findAll(size_t from, size_t to, std::vector<Match>& matches, std::vector<uint32_t>& first) {
  matches.clear();
  first.assign(to - from + 1, 0);
  const uint8_t* b = buf_.data();
  size_t skipUntil = from;
  for (size_t p = from; p < to; ++p) {
    first[p - from] = static_cast<uint32_t>(matches.size());
    if (p + 4 > to) continue;
    if (p < skipUntil) {
      // Inside a match of nice length: the parser takes it whole and never
      // asks here, so the position only joins the chains.
      uint32_t h = hash4(p);
      prev_[p] = head_[h];
      head_[h] = static_cast<int32_t>(p);
      head3_[hash3(p)] = static_cast<int32_t>(p);
      continue;
    }
    const size_t maxLen = std::min<size_t>(kMaxMatch, to - p);
    const uint32_t limit = reach(p);
    size_t best = 2;

    uint32_t h3 = hash3(p);
    int32_t near = head3_[h3];
    head3_[h3] = static_cast<int32_t>(p);
    if (near >= 0 && p - static_cast<size_t>(near) <= limit && b[near] == b[p] && b[near + 1] == b[p + 1] &&
        b[near + 2] == b[p + 2]) {
      best = commonLength(b + near, b + p, maxLen);
      matches.push_back({static_cast<uint16_t>(best), static_cast<uint32_t>(p - static_cast<size_t>(near))});
      if (best >= static_cast<size_t>(niceLength_) || best == maxLen) {
        if (best >= static_cast<size_t>(niceLength_)) skipUntil = p + best;
        uint32_t h = hash4(p);
        prev_[p] = head_[h];
        head_[h] = static_cast<int32_t>(p);
        continue;
      }
    }

    uint32_t h = hash4(p);
    int32_t cand = head_[h];
    prev_[p] = cand;
    head_[h] = static_cast<int32_t>(p);
    int depth = chainDepth_;
    for (; cand >= 0 && depth > 0; --depth, cand = prev_[cand]) {
      uint32_t dist = static_cast<uint32_t>(p - static_cast<size_t>(cand));
      if (dist > limit) break;
      const uint8_t* a = b + cand;
      const uint8_t* c = b + p;
      if (a[best] != c[best] || a[0] != c[0] || a[1] != c[1]) continue;
      size_t len = commonLength(a, c, maxLen);
      if (len > best) {
        best = len;
        matches.push_back({static_cast<uint16_t>(len), dist});
        if (len >= static_cast<size_t>(niceLength_)) {
          skipUntil = p + len;
          break;
        }
        if (len == maxLen) break;
        // A good match already: the rest of the chain is searched less deeply.
        if (len >= kGoodLength && depth > 4) depth /= 4;
      }
    }
  }
  first[to - from] = static_cast<uint32_t>(matches.size());
}

}  // namespace fmt::codecs::lzx
