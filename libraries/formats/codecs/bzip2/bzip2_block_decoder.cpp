#include "codecs/bzip2/bzip2_block_decoder.h"

#include <algorithm>
#include <cstring>

#include "codecs/bzip2/bzip2_huffman_decoder.h"

namespace fmt::codecs::bz2 {
namespace {

[[noreturn]] void corrupt(const char* what) { fail(ErrorKind::Corrupt, std::string("bzip2 block: ") + what); }

}  // namespace

void BlockDecoder::read(MsbBitReader& br, uint32_t capacity) {
  storedCrc_ = br.bits(32);
  randomised_ = br.bit();
  uint32_t origPtr = br.bits(24);

  uint32_t ranges = br.bits(16);
  inUse_ = 0;
  for (int r = 0; r < 16; r++) {
    if (!(ranges & (0x8000u >> r))) continue;
    uint32_t used = br.bits(16);
    for (int b = 0; b < 16; b++)
      if (used & (0x8000u >> b)) seqToByte_[inUse_++] = static_cast<uint8_t>(r * 16 + b);
  }
  if (inUse_ == 0) corrupt("no byte values in use");
  int alphabet = inUse_ + 2;

  groups_ = static_cast<int>(br.bits(3));
  if (groups_ < kMinGroups || groups_ > kMaxGroups) corrupt("bad number of Huffman tables");
  int selectors = static_cast<int>(br.bits(15));
  if (selectors == 0) corrupt("no selectors");
  // Selectors are MTF-coded in unary; those beyond what a full block can use are read and dropped.
  uint8_t order[kMaxGroups];
  for (int i = 0; i < groups_; i++) order[i] = static_cast<uint8_t>(i);
  selectorCount_ = std::min(selectors, kMaxSelectors);
  for (int i = 0; i < selectors; i++) {
    int j = 0;
    while (br.bit())
      if (++j >= groups_) corrupt("bad selector");
    uint8_t t = order[j];
    std::memmove(order + 1, order, static_cast<size_t>(j));
    order[0] = t;
    if (i < selectorCount_) selectors_[i] = t;
  }
  for (int t = 0; t < groups_; t++) {
    int len = static_cast<int>(br.bits(5));
    for (int s = 0; s < alphabet; s++) {
      for (;;) {
        if (len < 1 || len > kMaxCodeLength) corrupt("bad code length");
        if (!br.bit()) break;
        len += br.bit() ? -1 : 1;
      }
      lengths_[t][s] = static_cast<uint8_t>(len);
    }
  }
  br.checkOverrun();

  readSymbols(br, capacity);
  uint32_t n = left_;
  if (origPtr >= n) corrupt("start row out of range");

  // Link each row to the row that follows it in the text (the inverse transform).
  uint32_t next[256];
  uint32_t sum = 0;
  uint32_t counts[256] = {};
  uint32_t* tt = tt_.data();
  for (uint32_t i = 0; i < n; i++) counts[tt[i] & 0xFF]++;
  for (int b = 0; b < 256; b++) {
    next[b] = sum;
    sum += counts[b];
  }
  for (uint32_t i = 0; i < n; i++) tt[next[tt[i] & 0xFF]++] |= i << 8;

  pos_ = tt[origPtr] >> 8;
  crc_ = 0xFFFFFFFFu;
  mask_ = RandomMask();
  last_ = -1;
  runLength_ = 0;
  repeat_ = 0;
}

void BlockDecoder::readSymbols(MsbBitReader& br, uint32_t capacity) {
  HuffmanDecoder tables[kMaxGroups];
  for (int t = 0; t < groups_; t++) tables[t].build(lengths_[t], inUse_ + 2);
  // The table grows with the block rather than with what its header claims, so a
  // small stream (one ZIP entry, a fuzz input) stays small.
  uint32_t* tt = tt_.data();
  uint32_t room = static_cast<uint32_t>(std::min<size_t>(tt_.size(), capacity));
  auto grow = [&](uint32_t need) {
    uint32_t want = std::min(capacity, std::max({need, room * 2, 65536u}));
    if (tt_.size() < want) tt_.resize(want);
    tt = tt_.data();
    room = want;
  };

  uint8_t mtf[256];
  for (int i = 0; i < inUse_; i++) mtf[i] = seqToByte_[i];
  const int endOfBlock = inUse_ + 1;
  uint32_t n = 0;
  uint32_t run = 0;
  int runShift = 0;
  int groupLeft = 0;
  int selector = 0;
  const HuffmanDecoder* table = nullptr;
  for (;;) {
    if (groupLeft == 0) {
      if (selector >= selectorCount_) corrupt("more symbols than selectors");
      table = &tables[selectors_[selector++]];
      groupLeft = kGroupSize;
      br.checkOverrun();
    }
    --groupLeft;
    br.ensure(kMaxCodeLength);
    int sym = table->decode(br);
    if (sym <= kRunB) {
      // Run lengths are written in bijective base 2, least significant digit first.
      if (runShift > 20) corrupt("run too long");
      run += static_cast<uint32_t>(sym + 1) << runShift;
      ++runShift;
      continue;
    }
    if (run) {
      if (run > capacity - n) corrupt("block longer than its stream allows");
      if (run > room - n) grow(n + run);
      uint32_t b = mtf[0];
      std::fill(tt + n, tt + n + run, b);
      n += run;
      run = 0;
      runShift = 0;
    }
    if (sym == endOfBlock) break;
    if (n >= room) {
      if (n >= capacity) corrupt("block longer than its stream allows");
      grow(n + 1);
    }
    int j = sym - 1;
    uint8_t b = mtf[j];
    std::memmove(mtf + 1, mtf, static_cast<size_t>(j));
    mtf[0] = b;
    tt[n++] = b;
  }
  br.checkOverrun();
  left_ = n;
}

template <bool Randomised>
size_t BlockDecoder::produceFrom(uint8_t* out, size_t n) {
  uint8_t* p = out;
  uint8_t* end = out + n;
  const uint32_t* tt = tt_.data();
  uint32_t pos = pos_, left = left_, repeat = repeat_;
  int last = last_, runLength = runLength_;
  while (p < end) {
    if (repeat) {
      size_t k = std::min<size_t>(repeat, static_cast<size_t>(end - p));
      std::memset(p, last, k);
      p += k;
      repeat -= static_cast<uint32_t>(k);
      continue;
    }
    if (left == 0) break;
    uint32_t v = tt[pos];
    pos = v >> 8;
    --left;
    int b = static_cast<int>(v & 0xFF);
    if constexpr (Randomised) b ^= mask_.next();
    if (runLength == 4) {  // four equal bytes: this one counts further copies
      repeat = static_cast<uint32_t>(b);
      runLength = 0;
      continue;
    }
    if (b == last) {
      ++runLength;
    } else {
      last = b;
      runLength = 1;
    }
    *p++ = static_cast<uint8_t>(b);
  }
  pos_ = pos;
  left_ = left;
  repeat_ = repeat;
  last_ = last;
  runLength_ = runLength;
  return static_cast<size_t>(p - out);
}

size_t BlockDecoder::produce(uint8_t* out, size_t n) {
  size_t k = randomised_ ? produceFrom<true>(out, n) : produceFrom<false>(out, n);
  crc_ = crcUpdate(crc_, out, k);
  return k;
}

}  // namespace fmt::codecs::bz2
