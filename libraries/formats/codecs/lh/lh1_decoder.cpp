#include "codecs/lh/lh1_decoder.h"

#include <cstring>

#include "codecs/msb_bit_reader.h"
#include "codecs/lh/lz_window.h"

namespace fmt::codecs {

namespace {

constexpr int kMaxMatch = 60;
constexpr int kSymbols = 256 + kMaxMatch - 2;  // literals, then lengths 3..60
constexpr int kNodes = 2 * kSymbols - 1;
constexpr int kRoot = kNodes - 1;
constexpr uint16_t kRebuildAt = 0x8000;

// The adaptive tree: nodes kept in order of weight, so that incrementing a
// weight means swapping the node with the last one of equal weight.
class AdaptiveTree {
 public:
  AdaptiveTree() {
    for (int i = 0; i < kSymbols; ++i) {
      freq_[i] = 1;
      child_[i] = i + kNodes;
      parent_[i + kNodes] = i;
    }
    for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
      freq_[j] = freq_[i] + freq_[i + 1];
      child_[j] = i;
      parent_[i] = parent_[i + 1] = j;
    }
    freq_[kNodes] = 0xFFFF;  // sentinel for the search in update()
    parent_[kRoot] = 0;
  }

  int decode(MsbBitReader& br) {
    int node = child_[kRoot];
    while (node < kNodes) {
      node = child_[node + (br.bit() ? 1 : 0)];
    }
    int sym = node - kNodes;
    update(sym);
    return sym;
  }

 private:
  void update(int sym) {
    if (freq_[kRoot] == kRebuildAt) rebuild();
    int c = parent_[sym + kNodes];
    do {
      uint16_t k = ++freq_[c];
      int l = c + 1;
      if (k > freq_[l]) {
        while (k > freq_[++l]) {
        }
        --l;
        freq_[c] = freq_[l];
        freq_[l] = k;
        int i = child_[c];
        parent_[i] = l;
        if (i < kNodes) parent_[i + 1] = l;
        int j = child_[l];
        child_[l] = i;
        parent_[j] = c;
        if (j < kNodes) parent_[j + 1] = c;
        child_[c] = j;
        c = l;
      }
      c = parent_[c];
    } while (c != 0);
  }

  // Halves every weight and rebuilds the tree from its leaves.
  void rebuild() {
    int j = 0;
    for (int i = 0; i < kNodes; ++i) {
      if (child_[i] >= kNodes) {
        freq_[j] = static_cast<uint16_t>((freq_[i] + 1) / 2);
        child_[j] = child_[i];
        ++j;
      }
    }
    for (int i = 0, n = kSymbols; n < kNodes; i += 2, ++n) {
      uint16_t f = static_cast<uint16_t>(freq_[i] + freq_[i + 1]);
      int k = n - 1;
      while (f < freq_[k]) --k;
      ++k;
      std::memmove(&freq_[k + 1], &freq_[k], (n - k) * sizeof freq_[0]);
      std::memmove(&child_[k + 1], &child_[k], (n - k) * sizeof child_[0]);
      freq_[k] = f;
      child_[k] = i;
    }
    for (int i = 0; i < kNodes; ++i) {
      int k = child_[i];
      parent_[k] = i;
      if (k < kNodes) parent_[k + 1] = i;
    }
  }

  uint16_t freq_[kNodes + 1];
  int parent_[kNodes + kSymbols];
  int child_[kNodes];
};

// Upper six position bits: a fixed canonical code with 1, 3, 8, 12, 24 and 16
// codes of lengths 3 to 8; the lower six bits follow as they are.
class PositionCode {
 public:
  PositionCode() {
    static const int counts[] = {1, 3, 8, 12, 24, 16};
    int sym = 0, code = 0;
    for (int len = 3; len <= 8; ++len) {
      for (int n = 0; n < counts[len - 3]; ++n, ++sym, ++code) {
        int span = 1 << (8 - len);
        for (int k = 0; k < span; ++k) {
          table_[(code << (8 - len)) + k] = static_cast<uint8_t>(sym);
          length_[(code << (8 - len)) + k] = static_cast<uint8_t>(len);
        }
      }
      code <<= 1;
    }
  }
  unsigned decode(MsbBitReader& br) const {
    br.ensure(14);
    unsigned i = br.peek(8);
    int len = length_[i];
    br.skip(len);
    return static_cast<unsigned>(table_[i]) << 6 | br.bits(6);
  }

 private:
  uint8_t table_[256];
  uint8_t length_[256];
};

}  // namespace

void Lh1Decoder::decode(InStream& in, uint64_t size, OutStream& out) {
  static const PositionCode positions;
  MsbBitReader br(in);
  AdaptiveTree tree;
  LzWindow window(out, size, 16);
  while (window.remaining()) {
    int c = tree.decode(br);
    if (c < 256) {
      window.put(static_cast<uint8_t>(c));
    } else {
      size_t len = static_cast<size_t>(c - 256 + 3);
      window.copy(positions.decode(br) + 1, len);
    }
  }
  window.flush();
  if (br.overrun()) fail(ErrorKind::Truncated, "compressed data ends early");
}

}  // namespace fmt::codecs
