// One -lh5-..-lh7- block: its three trees chosen from symbol counts, its exact
// size in bits, and its writing.
#pragma once
#include <cstddef>
#include <cstdint>

#include "codecs/lh/lh_encoder_bits.h"

namespace fmt::codecs {

constexpr int kLhNC = 510;              // 256 literals + lengths 3..256
constexpr int kLhNT = 19;               // the pre-tree's symbols
constexpr int kLhMaxNP = 17;            // position classes for a 64 KB window
constexpr int kLhMinMatch = 3;
constexpr int kLhMaxMatch = 256;
constexpr size_t kLhMaxBlockCodes = 65535;  // the block header's 16-bit count

// A literal (sym < 256) or a match (sym = 256 + length - 3, dist1 = distance - 1).
struct LhCode {
  uint16_t sym;
  uint16_t dist1;
};

inline int lhPosClass(uint32_t dist1) { return dist1 ? 32 - __builtin_clz(dist1) : 0; }

struct LhCounts {
  uint32_t c[kLhNC] = {};
  uint32_t p[kLhMaxNP] = {};
  size_t codes = 0;

  void add(const LhCode& code) {
    c[code.sym]++;
    if (code.sym >= 256) p[lhPosClass(code.dist1)]++;
    codes++;
  }
  void add(const LhCounts& o) {
    for (int i = 0; i < kLhNC; i++) c[i] += o.c[i];
    for (int i = 0; i < kLhMaxNP; i++) p[i] += o.p[i];
    codes += o.codes;
  }
};

// The trees of one block: lengths of 0 with a `single` symbol mean the one-symbol form.
struct LhBlockPlan {
  uint8_t cLen[kLhNC];
  uint8_t tLen[kLhNT];
  uint8_t pLen[kLhMaxNP];
  int cSingle = -1, tSingle = -1, pSingle = -1;
  uint64_t bits = 0;  // the whole block: header, trees and codes
  size_t codes = 0;
};

class LhBlockCoder {
 public:
  explicit LhBlockCoder(int windowBits);
  int np() const { return np_; }

  LhBlockPlan plan(const LhCounts& counts) const;
  void write(LhBitWriter& out, const LhBlockPlan& plan, const LhCode* codes, size_t n) const;

 private:
  int np_;    // position classes: window bits + 1
  int pbit_;  // width of the position tree's count field
};

}  // namespace fmt::codecs
