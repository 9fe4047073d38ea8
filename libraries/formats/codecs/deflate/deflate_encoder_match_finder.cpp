#include "codecs/deflate/deflate_encoder_match_finder.h"

#include <algorithm>

#include "codecs/deflate/deflate_encoder_format.h"
#include "base/error.h"

namespace fmt::codecs::deflate {

static_assert(TreeTraits::kMaxMatch == kMaxMatch && TreeTraits::kMaxDistance == kWindow &&
              TreeTraits::kRingSlots >= 2 * kWindow);

MatchFinder::MatchFinder(int depth, int historyDepth, uint32_t niceLength) : trees_(0, 0, 0) {
  setLimits(depth, historyDepth, niceLength);
}

void MatchFinder::setLimits(int depth, int historyDepth, uint32_t niceLength) {
  trees_.setLimits(depth, std::clamp(niceLength, kMinMatch, kMaxMatch));
  historyDepth_ = historyDepth;
}

void MatchFinder::reset(const uint8_t* data, size_t size) {
  if (size >= (size_t(1) << 31)) fail(ErrorKind::Usage, "deflate match finder: span too long");
  trees_.setData(data);
  trees_.clear();
  size_ = size;
  entered_ = 0;
}

void MatchFinder::findAll(size_t from, size_t end, std::vector<Match>& matches, std::vector<uint32_t>& first) {
  if (from > end || end > size_ || from < entered_) fail(ErrorKind::Usage, "deflate match finder: pieces out of order");
  trees_.enter(std::max(entered_, from > kWindow ? from - kWindow : 0), from, size_, historyDepth_);
  trees_.findAll(from, end, size_, matches, first);
  entered_ = end;
}

}  // namespace fmt::codecs::deflate
