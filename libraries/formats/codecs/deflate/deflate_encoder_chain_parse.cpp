#include "codecs/deflate/deflate_encoder_chain_parse.h"

#include <algorithm>

#include "codecs/common_prefix.h"
#include "base/error.h"

namespace fmt::codecs::deflate {
namespace {

// A 3-byte match this far away costs about as much as three literals.
constexpr uint32_t kFarShortMatch = 4096;

}  // namespace

ChainParser::ChainParser(int depth, uint32_t niceLength, uint32_t lazyLength)
    : head_(size_t(1) << kHashBits), head3_(size_t(1) << kHash3Bits), prev_(kSlots) {
  setLimits(depth, niceLength, lazyLength);
}

void ChainParser::setLimits(int depth, uint32_t niceLength, uint32_t lazyLength) {
  depth_ = std::max(depth, 1);
  nice_ = std::clamp(niceLength, kMinMatch, kMaxMatch);
  lazy_ = std::clamp(lazyLength, kMinMatch, kMaxMatch);
}

void ChainParser::reset(const uint8_t* data, size_t size) {
  if (size >= (size_t(1) << 31)) fail(ErrorKind::Usage, "deflate chain parse: span too long");
  b_ = data;
  size_ = size;
  entered_ = 0;
  lastDist_ = 0;
  std::fill(head_.begin(), head_.end(), -1);
  std::fill(head3_.begin(), head3_.end(), -1);
}

// Positions too near the span's end to hash four bytes join no chain: a match
// there would save nothing.
void ChainParser::enter(size_t p) {
  if (p + 4 > size_) return;
  head3_[hashOf3(b_ + p, kHash3Bits)] = static_cast<int32_t>(p);
  int32_t& head = head_[hashOf4(b_ + p, kHashBits)];
  prev_[p % kSlots] = head;
  head = static_cast<int32_t>(p);
}

// The longest match at p (length 0 if none pays), p entered. Links are read only
// while within the window, before their slot is reused: a chain from an older
// piece, across positions never entered, is cut by the distance test.
Match ChainParser::search(size_t p, size_t end) {
  if (p + 4 > size_) return {0, 0};
  const size_t maxLen = std::min<size_t>(kMaxMatch, end - p);
  const uint8_t* here = b_ + p;
  size_t best = kMinMatch - 1, dist = 0;

  const uint32_t h3 = hashOf3(here, kHash3Bits);
  const int32_t near = head3_[h3];
  head3_[h3] = static_cast<int32_t>(p);
  if (near >= 0 && p - static_cast<size_t>(near) <= kWindow) {
    const size_t len = commonPrefixLength(b_ + near, here, maxLen);
    if (len >= kMinMatch) best = len, dist = p - static_cast<size_t>(near);
  }
  // A copy longer than one match goes on at the distance of the last one taken;
  // in a long chain of common words that candidate may lie beyond reach.
  if (lastDist_ && lastDist_ <= p && lastDist_ != dist) {
    const size_t len = commonPrefixLength(here - lastDist_, here, maxLen);
    if (len > best) best = len, dist = lastDist_;
  }

  int32_t& head = head_[hashOf4(here, kHashBits)];
  int32_t cand = head;
  prev_[p % kSlots] = cand;
  head = static_cast<int32_t>(p);
  for (int left = depth_; cand >= 0 && left > 0 && best < maxLen; --left) {
    const size_t c = static_cast<size_t>(cand);
    if (p - c > kWindow) break;
    // Only a candidate that agrees one byte past the best so far can beat it.
    if (b_[c + best] == here[best]) {
      const size_t len = commonPrefixLength(b_ + c, here, maxLen);
      if (len > best) {
        best = len, dist = p - c;
        if (len >= nice_) break;
      }
    }
    cand = prev_[c % kSlots];
  }
  if (best < kMinMatch || (best == kMinMatch && dist > kFarShortMatch)) return {0, 0};
  return {static_cast<uint16_t>(best), static_cast<uint16_t>(dist)};
}

void ChainParser::parse(size_t from, size_t end, std::vector<Token>& tokens) {
  if (from > end || end > size_ || from < entered_) fail(ErrorKind::Usage, "deflate chain parse: pieces out of order");
  tokens.clear();
  for (size_t p = std::max(entered_, from > kWindow ? from - kWindow : 0); p < from; ++p) enter(p);

  size_t p = from;
  Match here = p < end ? search(p, end) : Match{0, 0};
  while (p < end) {
    if (here.length == 0) {
      tokens.push_back({b_[p], 0});
      if (++p < end) here = search(p, end);
      continue;
    }
    if (here.length < lazy_ && p + 1 < end) {
      const Match next = search(p + 1, end);
      if (next.length > here.length) {
        tokens.push_back({b_[p], 0});
        ++p;
        here = next;
        continue;
      }
      // p + 1 is entered already.
      tokens.push_back({here.length, here.dist});
      lastDist_ = here.dist;
      for (size_t k = p + 2; k < p + here.length; ++k) enter(k);
    } else {
      tokens.push_back({here.length, here.dist});
      lastDist_ = here.dist;
      for (size_t k = p + 1; k < p + here.length; ++k) enter(k);
    }
    p += here.length;
    if (p < end) here = search(p, end);
  }
  entered_ = end;
}

}  // namespace fmt::codecs::deflate
