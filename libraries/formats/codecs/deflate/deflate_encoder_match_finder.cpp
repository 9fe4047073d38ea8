#include "codecs/deflate/deflate_encoder_match_finder.h"

#include <algorithm>

#include "codecs/common_prefix.h"
#include "codecs/deflate/deflate_encoder_format.h"
#include "base/error.h"

namespace fmt::codecs::deflate {
namespace {

constexpr size_t kAhead = 8;

}  // namespace

MatchFinder::MatchFinder(int depth, int historyDepth, uint32_t niceLength)
    : depth_(depth),
      historyDepth_(historyDepth),
      nice_(std::clamp(niceLength, kMinMatch, kMaxMatch)),
      head_(size_t(1) << kHashBits),
      head3_(size_t(1) << kHash3Bits),
      smaller_(kSlots),
      larger_(kSlots) {}

void MatchFinder::setLimits(int depth, int historyDepth, uint32_t niceLength) {
  depth_ = depth;
  historyDepth_ = historyDepth;
  nice_ = std::clamp(niceLength, kMinMatch, kMaxMatch);
}

uint32_t MatchFinder::hash4(size_t p) const { return hashOf4(b_ + p, kHashBits); }
uint32_t MatchFinder::hash3(size_t p) const { return hashOf3(b_ + p, kHash3Bits); }

// The walk down the tree knows a common prefix with the nearest node on each
// side, so it compares little. Near the span's end positions are compared only
// up to the end, and a node equal that far is replaced though its longer
// suffix may order differently: so there whatever is reported is measured
// afresh. Before that every node in the trees was entered with the full
// length, and the known prefix holds.
// A node is read only while within the window, before its slot is reused.
void MatchFinder::insert(size_t p, size_t maxLen, int depth, size_t best, std::vector<Match>* out) {
  const uint32_t h = hash4(p);
  int32_t cand = head_[h];
  head_[h] = static_cast<int32_t>(p);
  int32_t* below = &smaller_[p % kSlots];
  int32_t* above = &larger_[p % kSlots];
  size_t lenBelow = 0, lenAbove = 0;
  for (;; --depth) {
    if (cand < 0 || depth == 0 || p - static_cast<size_t>(cand) > kWindow) {
      *below = *above = -1;
      return;
    }
    size_t len = std::min(lenBelow, lenAbove);
    len += commonPrefixLength(b_ + cand + len, b_ + p + len, maxLen - len);
    if (maxLen < kMaxMatch && (len > best || len >= maxLen)) len = commonPrefixLength(b_ + cand, b_ + p, maxLen);
    if (out && len > best) {
      best = len;
      out->push_back({static_cast<uint16_t>(len), static_cast<uint16_t>(p - static_cast<size_t>(cand))});
    }
    const size_t slot = static_cast<size_t>(cand) % kSlots;
    if (len >= maxLen) {
      *below = smaller_[slot];
      *above = larger_[slot];
      return;
    }
    if (b_[cand + len] < b_[p + len]) {
      *below = cand;
      below = &larger_[slot];
      lenBelow = len;
      cand = larger_[slot];
    } else {
      *above = cand;
      above = &smaller_[slot];
      lenAbove = len;
      cand = smaller_[slot];
    }
  }
}

void MatchFinder::reset(const uint8_t* data, size_t size) {
  if (size >= (size_t(1) << 31)) fail(ErrorKind::Usage, "deflate match finder: span too long");
  b_ = data;
  size_ = size;
  entered_ = 0;
  std::fill(head_.begin(), head_.end(), -1);
  std::fill(head3_.begin(), head3_.end(), -1);
}

void MatchFinder::findAll(size_t from, size_t end, std::vector<Match>& matches, std::vector<uint32_t>& first) {
  if (from > end || end > size_ || from < entered_) fail(ErrorKind::Usage, "deflate match finder: pieces out of order");
  matches.clear();
  first.assign(end - from + 1, 0);

  for (size_t p = std::max(entered_, from > kWindow ? from - kWindow : 0); p < from && p + 4 <= size_; ++p) {
    head3_[hash3(p)] = static_cast<int32_t>(p);
    insert(p, std::min<size_t>(kMaxMatch, size_ - p), historyDepth_, kMaxMatch, nullptr);
  }

  size_t skipUntil = from;
  for (size_t p = from; p < end; ++p) {
    first[p - from] = static_cast<uint32_t>(matches.size());
    // Too near the span's end to hash four bytes: a match there would save nothing.
    if (p + 4 > size_) continue;
    const size_t maxLen = std::min<size_t>(kMaxMatch, size_ - p);
    // The tables are far larger than the first cache: fetch the heads a few
    // positions ahead.
    if (p + kAhead + 4 <= size_) {
      __builtin_prefetch(&head_[hash4(p + kAhead)]);
      __builtin_prefetch(&head3_[hash3(p + kAhead)]);
    }
    const uint32_t h3 = hash3(p);
    const int32_t near = head3_[h3];
    head3_[h3] = static_cast<int32_t>(p);
    if (p < skipUntil) {
      insert(p, maxLen, depth_, kMaxMatch, nullptr);
      continue;
    }
    size_t best = kMinMatch - 1;
    if (near >= 0 && p - static_cast<size_t>(near) <= kWindow) {
      const size_t len = commonPrefixLength(b_ + near, b_ + p, maxLen);
      if (len >= kMinMatch) {
        best = len;
        matches.push_back({static_cast<uint16_t>(len), static_cast<uint16_t>(p - static_cast<size_t>(near))});
      }
    }
    insert(p, maxLen, depth_, best, &matches);
    const size_t found = matches.size() > first[p - from] ? matches.back().length : 0;
    if (found >= nice_) skipUntil = p + found;
  }
  first[end - from] = static_cast<uint32_t>(matches.size());
  entered_ = end;
}

}  // namespace fmt::codecs::deflate
