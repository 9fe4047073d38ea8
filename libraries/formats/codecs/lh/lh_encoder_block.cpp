#include "codecs/lh/lh_encoder_block.h"

#include <cstring>

#include "codecs/huffman_lengths.h"

namespace fmt::codecs {
namespace {

constexpr int kTBit = 5;  // width of the pre-tree's count field
constexpr int kCBit = 9;  // width of the character tree's count field
constexpr int kMaxCodeLen = 16;

// The character-tree lengths as pre-tree symbols: 0 one zero, 1 a run of 3..18
// zeros (4 more bits), 2 a run of 20..531 zeros (9 more bits), k+2 a length k.
template <typename Emit>
void forEachLengthSymbol(const uint8_t* cLen, int n, Emit emit) {
  int i = 0;
  while (i < n) {
    if (cLen[i]) {
      emit(cLen[i] + 2, 0, 0);
      i++;
      continue;
    }
    int run = 1;
    while (i + run < n && cLen[i + run] == 0) run++;
    i += run;
    if (run <= 2) {
      for (int k = 0; k < run; k++) emit(0, 0, 0);
    } else if (run <= 18) {
      emit(1, 4, run - 3);
    } else if (run == 19) {
      emit(0, 0, 0);
      emit(1, 4, 15);
    } else {
      emit(2, kCBit, run - 20);
    }
  }
}

int usedPrefix(const uint8_t* len, int n) {
  while (n > 0 && len[n - 1] == 0) n--;
  return n;
}

// Bits of a pre-tree or position-tree length list (3 bits up to 6, unary beyond),
// with the two-bit zero skip after the third entry of the pre-tree.
uint64_t smallTreeBits(const uint8_t* len, int n, int countBits, bool zeroSkip) {
  n = usedPrefix(len, n);
  uint64_t bits = countBits;
  for (int i = 0; i < n;) {
    int k = len[i++];
    bits += k <= 6 ? 3 : k - 3;
    if (zeroSkip && i == 3) {
      while (i < 6 && i < n && len[i] == 0) i++;
      bits += 2;
    }
  }
  return bits;
}

void writeSmallTree(LhBitWriter& out, const uint8_t* len, int n, int countBits, bool zeroSkip) {
  n = usedPrefix(len, n);
  out.put(countBits, static_cast<uint32_t>(n));
  for (int i = 0; i < n;) {
    int k = len[i++];
    if (k <= 6)
      out.put(3, static_cast<uint32_t>(k));
    else
      out.put(k - 3, (1u << (k - 3)) - 2);  // k-4 ones and a zero
    if (zeroSkip && i == 3) {
      int from = i;
      while (i < 6 && i < n && len[i] == 0) i++;
      out.put(2, static_cast<uint32_t>(i - from));
    }
  }
}

// Lengths for one tree; a single used symbol is remembered for the one-symbol form.
int lengthsFor(const uint32_t* freq, int n, uint8_t* len) {
  int used = huffmanLengths(freq, n, kMaxCodeLen, len);
  if (used == 0) return 0;  // written as the one-symbol form of symbol 0
  if (used == 1)
    for (int i = 0; i < n; i++)
      if (freq[i]) return i;
  return -1;
}

}  // namespace

LhBlockCoder::LhBlockCoder(int windowBits) : np_(windowBits + 1), pbit_(windowBits + 1 < 16 ? 4 : 5) {}

LhBlockPlan LhBlockCoder::plan(const LhCounts& counts) const {
  LhBlockPlan p;
  std::memset(p.tLen, 0, sizeof p.tLen);
  std::memset(p.pLen, 0, sizeof p.pLen);
  uint64_t bits = 16;

  p.cSingle = lengthsFor(counts.c, kLhNC, p.cLen);
  if (p.cSingle >= 0) {
    bits += 2 * kTBit + 2 * kCBit;
  } else {
    const int n = usedPrefix(p.cLen, kLhNC);
    uint32_t tFreq[kLhNT] = {};
    uint64_t extra = 0;
    forEachLengthSymbol(p.cLen, n, [&](int sym, int nbits, int) {
      tFreq[sym]++;
      extra += static_cast<uint64_t>(nbits);
    });
    p.tSingle = lengthsFor(tFreq, kLhNT, p.tLen);
    bits += p.tSingle >= 0 ? 2 * kTBit : smallTreeBits(p.tLen, kLhNT, kTBit, true);
    bits += kCBit + extra;
    for (int i = 0; i < kLhNT; i++) bits += static_cast<uint64_t>(tFreq[i]) * p.tLen[i];
    for (int i = 0; i < kLhNC; i++) bits += static_cast<uint64_t>(counts.c[i]) * p.cLen[i];
  }

  p.pSingle = lengthsFor(counts.p, np_, p.pLen);
  bits += p.pSingle >= 0 ? 2 * pbit_ : smallTreeBits(p.pLen, np_, pbit_, false);
  for (int i = 0; i < np_; i++) bits += static_cast<uint64_t>(counts.p[i]) * (p.pLen[i] + (i > 1 ? i - 1 : 0));
  p.bits = bits;
  p.codes = counts.codes;
  return p;
}

void LhBlockCoder::write(LhBitWriter& out, const LhBlockPlan& p, const LhCode* codes, size_t n) const {
  uint16_t cCode[kLhNC], tCode[kLhNT], pCode[kLhMaxNP];
  canonicalCodes(p.cLen, kLhNC, cCode);
  canonicalCodes(p.pLen, np_, pCode);

  out.put(16, static_cast<uint32_t>(n));
  if (p.cSingle >= 0) {
    out.put(kTBit, 0);
    out.put(kTBit, 0);
    out.put(kCBit, 0);
    out.put(kCBit, static_cast<uint32_t>(p.cSingle));
  } else {
    canonicalCodes(p.tLen, kLhNT, tCode);
    if (p.tSingle >= 0) {
      out.put(kTBit, 0);
      out.put(kTBit, static_cast<uint32_t>(p.tSingle));
    } else {
      writeSmallTree(out, p.tLen, kLhNT, kTBit, true);
    }
    const int nc = usedPrefix(p.cLen, kLhNC);
    out.put(kCBit, static_cast<uint32_t>(nc));
    forEachLengthSymbol(p.cLen, nc, [&](int sym, int nbits, int value) {
      out.put(p.tLen[sym], tCode[sym]);
      if (nbits) out.put(nbits, static_cast<uint32_t>(value));
    });
  }
  if (p.pSingle >= 0) {
    out.put(pbit_, 0);
    out.put(pbit_, static_cast<uint32_t>(p.pSingle));
  } else {
    writeSmallTree(out, p.pLen, np_, pbit_, false);
  }

  for (size_t i = 0; i < n; i++) {
    const LhCode& c = codes[i];
    out.put(p.cLen[c.sym], cCode[c.sym]);
    if (c.sym < 256) continue;
    // The position class's code and the bits below the distance's top bit in
    // one put: at most 16 + 15 bits.
    const int cls = lhPosClass(c.dist1);
    const int extra = cls > 1 ? cls - 1 : 0;
    out.put(p.pLen[cls] + extra, static_cast<uint32_t>(pCode[cls]) << extra | (c.dist1 & ((1u << extra) - 1)));
  }
}

}  // namespace fmt::codecs
