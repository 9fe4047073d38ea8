#include "codecs/bzip2/bzip2_block_encoder.h"

#include <cstring>

namespace fmt::codecs::bz2 {

void BlockEncoder::encode(const uint8_t* block, uint32_t n, uint32_t crc, BitWriter& out, bool randomise) {
  if (randomise) {
    masked_.assign(block, block + n);
    RandomMask mask;
    for (uint32_t i = 0; i < n; i++) masked_[i] ^= mask.next();
    block = masked_.data();
  }
  order_.resize(n);
  uint32_t origPtr = sorter_.sort(block, n, order_.data());

  bool used[256] = {};
  for (uint32_t i = 0; i < n; i++) used[block[i]] = true;
  uint8_t seq[256];
  int inUse = 0;
  for (int b = 0; b < 256; b++)
    if (used[b]) seq[b] = static_cast<uint8_t>(inUse++);
  uint32_t count = moveToFront(block, n, inUse, seq);
  int alphabet = inUse + 2;
  chooseTables(symbols_.data(), count, alphabet, freq_, *tables_);

  out.put48(kBlockMagic);
  out.put(32, crc);
  out.put(1, randomise ? 1 : 0);
  out.put(24, origPtr);
  uint32_t ranges = 0;
  for (int r = 0; r < 16; r++)
    for (int b = 0; b < 16; b++)
      if (used[r * 16 + b]) ranges |= 0x8000u >> r;
  out.put(16, ranges);
  for (int r = 0; r < 16; r++) {
    if (!(ranges & (0x8000u >> r))) continue;
    uint32_t bits = 0;
    for (int b = 0; b < 16; b++)
      if (used[r * 16 + b]) bits |= 0x8000u >> b;
    out.put(16, bits);
  }
  writeTables(out, alphabet);

  const TableChoice& tc = *tables_;
  uint32_t codes[kMaxGroups][kMaxAlphabet];
  for (int t = 0; t < tc.groups; t++) assignCodes(tc.lengths[t], alphabet, codes[t]);
  for (int g = 0; g < tc.selectors; g++) {
    int t = tc.selector[g];
    const uint8_t* len = tc.lengths[t];
    const uint32_t* code = codes[t];
    uint32_t from = static_cast<uint32_t>(g) * kGroupSize;
    uint32_t to = std::min<uint32_t>(from + kGroupSize, count);
    for (uint32_t i = from; i < to; i++) out.put(len[symbols_[i]], code[symbols_[i]]);
  }
}

// The BWT's last column through move-to-front; runs of front hits become
// RUNA/RUNB digits of their length in bijective base 2. Returns the symbol count.
uint32_t BlockEncoder::moveToFront(const uint8_t* block, uint32_t n, int inUse, const uint8_t* seq) {
  symbols_.resize(static_cast<size_t>(n) + 1);
  uint16_t* sym = symbols_.data();
  std::memset(freq_, 0, sizeof freq_);
  uint8_t list[256];
  for (int i = 0; i < 256; i++) list[i] = static_cast<uint8_t>(i);
  uint32_t count = 0;
  uint32_t zeros = 0;
  auto flushZeros = [&]() {
    while (zeros > 0) {
      int digit = (zeros & 1) ? kRunA : kRunB;
      sym[count++] = static_cast<uint16_t>(digit);
      freq_[digit]++;
      zeros = (zeros - 1 - static_cast<uint32_t>(digit)) / 2;
    }
  };
  for (uint32_t i = 0; i < n; i++) {
    uint32_t p = order_[i] == 0 ? n - 1 : order_[i] - 1;
    uint8_t c = seq[block[p]];
    if (list[0] == c) {
      zeros++;
      continue;
    }
    flushZeros();
    uint8_t prev = list[0];
    list[0] = c;
    int k = 1;
    while (list[k] != c) {
      std::swap(prev, list[k]);
      k++;
    }
    list[k] = prev;
    sym[count++] = static_cast<uint16_t>(k + 1);
    freq_[k + 1]++;
  }
  flushZeros();
  sym[count++] = static_cast<uint16_t>(inUse + 1);
  freq_[inUse + 1]++;
  return count;
}

void BlockEncoder::writeTables(BitWriter& out, int alphabet) {
  const TableChoice& tc = *tables_;
  out.put(3, static_cast<uint32_t>(tc.groups));
  out.put(15, static_cast<uint32_t>(tc.selectors));
  uint8_t order[kMaxGroups];
  for (int t = 0; t < kMaxGroups; t++) order[t] = static_cast<uint8_t>(t);
  for (int g = 0; g < tc.selectors; g++) {
    uint8_t t = tc.selector[g];
    int j = 0;
    while (order[j] != t) j++;
    std::memmove(order + 1, order, static_cast<size_t>(j));
    order[0] = t;
    out.put(j + 1, ((1u << j) - 1) << 1);  // j ones, then a zero
  }
  for (int t = 0; t < tc.groups; t++) {
    const uint8_t* len = tc.lengths[t];
    int cur = len[0];
    out.put(5, static_cast<uint32_t>(cur));
    for (int s = 0; s < alphabet; s++) {
      while (cur < len[s]) {
        out.put(2, 2);  // "10": one longer
        cur++;
      }
      while (cur > len[s]) {
        out.put(2, 3);  // "11": one shorter
        cur--;
      }
      out.put(1, 0);
    }
  }
}

}  // namespace fmt::codecs::bz2
