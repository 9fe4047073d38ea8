// Hash-chain match finder over a sliding window read from a stream: the input
// buffer, the chains and the longest-match search the LZ77 encoders share.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/common_prefix.h"
#include "base/stream.h"

namespace fmt::codecs {

struct Match {
  uint32_t len = 0;
  uint32_t dist = 0;
};

class MatchFinder {
 public:
  // Windows up to 2^windowBits bytes back; matches of minMatch (3 or more) to
  // maxMatch bytes. Reads exactly `size` bytes of `in` (Truncated if it ends before).
  MatchFinder(InStream& in, uint64_t size, int windowBits, uint32_t minMatch, uint32_t maxMatch);

  // Makes at least `ahead` bytes past the current position available, or all that
  // is left of the input. Pointers into the buffer stay valid until the next call.
  void fill(size_t ahead);

  size_t avail() const { return end_ - pos_; }        // loaded bytes from the current position
  const uint8_t* here() const { return buf_.data() + pos_; }
  uint64_t consumed() const { return done_ + pos_; }  // input position of here()

  // Candidate search at the current position: calls accept(len, dist) for each
  // match longer than `beat` and than every one before it, nearest first, over at
  // most `chain` candidates, stopping at `nice`. accept returns the length now to
  // beat. Inserts the position into the chains and moves past it.
  template <typename Accept>
  void search(uint32_t chain, uint32_t nice, uint32_t beat, Accept accept);

  // Inserts the next n positions without searching.
  void skip(size_t n);

 private:
  // Chains link positions whose next four bytes hash alike, so that a walk meets
  // few candidates shorter than four; a table of the latest position per three
  // bytes keeps the near three-byte matches.
  static constexpr int kHashBits = 16;
  static constexpr int kHash3Bits = 14;
  static uint32_t load32(const uint8_t* p) {
    uint32_t v;
    __builtin_memcpy(&v, p, 4);
    return v;
  }
  uint32_t hash4(size_t i) const { return (load32(&buf_[i]) * 0x9E3779B1u) >> (32 - kHashBits); }
  uint32_t hash3(size_t i) const { return ((load32(&buf_[i]) << 8) * 0x9E3779B1u) >> (32 - kHash3Bits); }
  void insert(size_t i) {
    const uint32_t me = vpos(i);
    const uint32_t h = hash4(i);
    prev_[me & chainMask_] = head_[h];
    head_[h] = me;
    head3_[hash3(i)] = me;
  }
  uint32_t vpos(size_t i) const { return static_cast<uint32_t>(i) + vbase_; }
  uint32_t matchLength(size_t a, size_t b, uint32_t limit) const;
  void rebase();

  InStream& in_;
  uint64_t left_;        // input bytes not read yet
  uint64_t done_ = 0;    // input bytes that slid out of the buffer before buf_[base_]
  uint32_t window_;
  uint32_t minMatch_, maxMatch_;
  std::vector<uint8_t> buf_;
  size_t pos_ = 0, end_ = 0;
  uint32_t vbase_;       // chain position of buf_[0]; 0 in a chain means none
  uint32_t chainMask_;   // prev_ spans two windows, so a slot is reused only out of reach
  std::vector<uint32_t> head_, prev_, head3_;
};

inline uint32_t MatchFinder::matchLength(size_t a, size_t b, uint32_t limit) const {
  return static_cast<uint32_t>(commonPrefixLength(buf_.data() + a, buf_.data() + b, limit));
}

template <typename Accept>
void MatchFinder::search(uint32_t chain, uint32_t nice, uint32_t beat, Accept accept) {
  const size_t pos = pos_;
  const size_t left = end_ - pos;
  pos_++;
  if (left < minMatch_) return;
  const uint32_t limit = left < maxMatch_ ? static_cast<uint32_t>(left) : maxMatch_;
  if (nice > limit) nice = limit;
  const uint32_t me = vpos(pos);
  const uint32_t near3 = head3_[hash3(pos)];
  uint32_t cand = head_[hash4(pos)];
  insert(pos);
  if (beat < minMatch_ - 1) beat = minMatch_ - 1;
  if (beat >= limit) return;
  const uint8_t* cur = buf_.data() + pos;
  if (const uint32_t dist = me - near3; dist <= window_ && dist != 0 && dist < me - cand) {
    const size_t at = pos - dist;
    if (buf_[at] == cur[0] && buf_[at + 1] == cur[1] && buf_[at + 2] == cur[2]) {
      uint32_t len = matchLength(at, pos, limit);
      if (len > beat) {
        beat = accept(len, dist);
        if (beat >= nice) return;
      }
    }
  }
  while (chain-- > 0) {
    const uint32_t dist = me - cand;
    if (dist > window_ || dist == 0) break;
    const size_t at = pos - dist;
    const uint8_t* p = buf_.data() + at;
    if (p[beat] == cur[beat] && p[0] == cur[0] && p[1] == cur[1]) {
      uint32_t len = matchLength(at, pos, limit);
      if (len > beat) {
        beat = accept(len, dist);
        if (beat >= nice) break;
      }
    }
    cand = prev_[cand & chainMask_];
  }
}

}  // namespace fmt::codecs
