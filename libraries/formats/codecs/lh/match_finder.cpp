#include "codecs/lh/match_finder.h"

#include <algorithm>
#include <cstring>

namespace fmt::codecs {
namespace {

constexpr size_t kReadAhead = size_t{1} << 18;  // fresh input read per slide
constexpr size_t kPad = 8;                        // word compares may look past the data
constexpr uint32_t kRebaseAt = 0xF0000000u;

}  // namespace

MatchFinder::MatchFinder(InStream& in, uint64_t size, int windowBits, uint32_t minMatch, uint32_t maxMatch)
    : in_(in),
      left_(size),
      window_(uint32_t{1} << windowBits),
      minMatch_(minMatch),
      maxMatch_(maxMatch),
      vbase_(window_ + 1),
      chainMask_(2 * window_ - 1),
      head_(size_t{1} << kHashBits, 0),
      prev_(2 * size_t{window_}, 0),
      head3_(size_t{1} << kHash3Bits, 0) {
  size_t cap = window_ + kReadAhead + maxMatch_;
  if (size < cap) cap = static_cast<size_t>(size);
  buf_.assign(cap + kPad, 0);
}

void MatchFinder::fill(size_t ahead) {
  if (end_ - pos_ >= ahead || left_ == 0) return;
  const size_t cap = buf_.size() - kPad;
  if (pos_ + ahead > cap || end_ == cap) {
    const size_t keep = pos_ > window_ ? pos_ - window_ : 0;
    std::memmove(buf_.data(), buf_.data() + keep, end_ - keep);
    pos_ -= keep;
    end_ -= keep;
    done_ += keep;
    vbase_ += static_cast<uint32_t>(keep);
    if (vbase_ > kRebaseAt) rebase();
  }
  while (end_ < cap && left_ > 0) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(cap - end_, left_));
    size_t got = in_.read(buf_.data() + end_, want);
    if (got == 0) fail(ErrorKind::Truncated, "input ended before its stated size");
    end_ += got;
    left_ -= got;
  }
  std::memset(buf_.data() + end_, 0, kPad);
}

void MatchFinder::rebase() {
  const uint32_t delta = vbase_ - (window_ + 1);
  auto shift = [delta](uint32_t& v) { v = v > delta ? v - delta : 0; };
  std::for_each(head_.begin(), head_.end(), shift);
  std::for_each(prev_.begin(), prev_.end(), shift);
  std::for_each(head3_.begin(), head3_.end(), shift);
  vbase_ -= delta;
}

void MatchFinder::skip(size_t n) {
  for (; n > 0; n--, pos_++)
    if (end_ - pos_ >= 4) insert(pos_);
}

}  // namespace fmt::codecs
