#include "codecs/lzx/lzx_match_finder.h"

#include <algorithm>
#include <cstring>

#include "codecs/common_prefix.h"
#include "codecs/lzx/lzx.h"
#include "codecs/lzx/lzx_format.h"

namespace fmt::codecs::lzx {

MatchFinder::MatchFinder(int windowBits, int depth, int niceLength)
    : windowSize_(1u << windowBits),
      maxDistance_((1u << windowBits) - 3),
      depth_(depth),
      niceLength_(niceLength),
      hashBits_(windowBits < 17 ? 16 : 17) {
  // The window behind plus room to append frames until the next slide.
  buf_.resize(2 * static_cast<size_t>(windowSize_) + kLzxFrameSize);
  smaller_.resize(buf_.size());
  larger_.resize(buf_.size());
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
  for (size_t i = 0; i < keep; ++i) {
    smaller_[i] = rebase(smaller_[i + delta]);
    larger_[i] = rebase(larger_[i + delta]);
  }
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

// Makes p the root of its bucket's tree, ordered by the bytes that follow each
// position, splitting the old tree into the suffixes below and above p's on the
// way down; with `matches`, records each longer match met there. The walk
// knows a common prefix with both sides, so it compares little.
void MatchFinder::insert(size_t p, size_t maxLen, uint32_t limit, size_t best, std::vector<Match>* matches) {
  const uint8_t* b = buf_.data();
  uint32_t h = hash4(p);
  int32_t cand = head_[h];
  head_[h] = static_cast<int32_t>(p);
  int32_t* below = &smaller_[p];
  int32_t* above = &larger_[p];
  size_t lenBelow = 0, lenAbove = 0;
  for (int depth = depth_;; --depth) {
    if (cand < 0 || depth == 0 || p - static_cast<size_t>(cand) > limit) {
      *below = *above = -1;
      return;
    }
    size_t len = std::min(lenBelow, lenAbove);
    len += commonPrefixLength(b + cand + len, b + p + len, maxLen - len);
    // The prefix taken for granted holds while the tree is in order, but
    // positions compared only up to a frame's end may sit out of order once
    // the next frame arrives: whatever is reported or merged is checked.
    if (len > best || len >= maxLen) len = commonPrefixLength(b + cand, b + p, maxLen);
    if (matches && len > best) {
      best = len;
      matches->push_back({static_cast<uint16_t>(len), static_cast<uint32_t>(p - static_cast<size_t>(cand))});
    }
    if (len >= maxLen) {
      // Equal as far as may be compared: p takes cand's place.
      *below = smaller_[cand];
      *above = larger_[cand];
      return;
    }
    if (b[cand + len] < b[p + len]) {
      *below = cand;
      below = &larger_[cand];
      lenBelow = len;
      cand = larger_[cand];
    } else {
      *above = cand;
      above = &smaller_[cand];
      lenAbove = len;
      cand = smaller_[cand];
    }
  }
}

void MatchFinder::findAll(size_t from, size_t to, std::vector<Match>& matches, std::vector<uint32_t>& first) {
  matches.clear();
  first.assign(to - from + 1, 0);
  const uint8_t* b = buf_.data();
  const size_t nice = static_cast<size_t>(niceLength_);
  size_t skipUntil = from;
  for (size_t p = from; p < to; ++p) {
    first[p - from] = static_cast<uint32_t>(matches.size());
    if (p + 4 > to) continue;
    const size_t maxLen = std::min<size_t>(kMaxMatch, to - p);
    const uint32_t limit = reach(p);
    uint32_t h3 = hash3(p);
    int32_t near = head3_[h3];
    head3_[h3] = static_cast<int32_t>(p);
    if (p < skipUntil) {
      // Inside a match of nice length: the parser takes it whole and never
      // asks here, so the position only joins the tree.
      insert(p, maxLen, limit, 0, nullptr);
      continue;
    }
    size_t best = 2;
    if (near >= 0 && p - static_cast<size_t>(near) <= limit && b[near] == b[p] && b[near + 1] == b[p + 1] &&
        b[near + 2] == b[p + 2]) {
      best = commonPrefixLength(b + near, b + p, maxLen);
      matches.push_back({static_cast<uint16_t>(best), static_cast<uint32_t>(p - static_cast<size_t>(near))});
    }
    size_t before = matches.size();
    insert(p, maxLen, limit, best, &matches);
    if (matches.size() > before) best = matches.back().length;
    if (best >= nice) skipUntil = p + best;
  }
  first[to - from] = static_cast<uint32_t>(matches.size());
}

}  // namespace fmt::codecs::lzx
