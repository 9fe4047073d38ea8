#include "codecs/lzx/lzx_match_finder.h"

#include <cstring>

#include "codecs/lzx/lzx.h"
#include "codecs/lzx/lzx_format.h"

namespace fmt::codecs::lzx {

static_assert(TreeTraits::kMaxMatch == kMaxMatch);

// The buffer holds the window behind plus room to append frames until the
// next slide; the trees have a slot per byte of it.
MatchFinder::MatchFinder(int windowBits, int depth, int niceLength)
    : windowSize_(1u << windowBits),
      maxDistance_(windowSize_ - 3),
      buf_(2 * static_cast<size_t>(windowSize_) + kLzxFrameSize),
      trees_(buf_.size(), windowBits < 17 ? 16 : 17, maxDistance_) {
  trees_.setLimits(depth, static_cast<size_t>(niceLength));
  reset();
}

void MatchFinder::reset() {
  size_ = 0;
  dropped_ = 0;
  trees_.setData(buf_.data());
  trees_.clear();
}

// Keeps the last window of history at the front of the buffer.
void MatchFinder::slide() {
  const size_t keep = windowSize_;
  const size_t delta = size_ - keep;
  std::memmove(buf_.data(), buf_.data() + delta, keep);
  trees_.moveDown(delta, keep);
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

}  // namespace fmt::codecs::lzx
