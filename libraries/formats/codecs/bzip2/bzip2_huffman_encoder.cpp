#include "codecs/bzip2/bzip2_huffman_encoder.h"

#include <algorithm>
#include <cstring>

namespace fmt::codecs::bz2 {
namespace {

constexpr int kRefinePasses = 4;

// Plain Huffman depths by the two-queue method; returns the deepest.
int huffmanDepths(const uint32_t* weight, int count, uint8_t* depth) {
  uint16_t leaf[kMaxAlphabet];
  for (int i = 0; i < count; i++) leaf[i] = static_cast<uint16_t>(i);
  std::sort(leaf, leaf + count, [&](uint16_t a, uint16_t b) { return weight[a] < weight[b]; });
  // Nodes 0..count-1 are the sorted leaves, count.. the internal nodes in creation order.
  uint64_t w[2 * kMaxAlphabet];
  int parent[2 * kMaxAlphabet];
  for (int i = 0; i < count; i++) w[i] = weight[leaf[i]];
  int nextLeaf = 0, nextInner = count, made = count;
  auto take = [&]() {
    if (nextLeaf < count && (nextInner >= made || w[nextLeaf] <= w[nextInner])) return nextLeaf++;
    return nextInner++;
  };
  while (made < 2 * count - 1) {
    int a = take(), b = take();
    w[made] = w[a] + w[b];
    parent[a] = parent[b] = made;
    made++;
  }
  int d[2 * kMaxAlphabet];
  d[made - 1] = 0;
  int deepest = 0;
  for (int i = made - 2; i >= 0; i--) {
    d[i] = d[parent[i]] + 1;
    if (i < count) {
      depth[leaf[i]] = static_cast<uint8_t>(d[i]);
      deepest = std::max(deepest, d[i]);
    }
  }
  return deepest;
}

}  // namespace

void buildCodeLengths(const uint32_t* freq, int count, int maxLength, uint8_t* lengths) {
  uint32_t weight[kMaxAlphabet];
  for (int i = 0; i < count; i++) weight[i] = std::max<uint32_t>(freq[i], 1);
  // Too deep: flatten the weights and try again (rare, and costs little in size).
  while (huffmanDepths(weight, count, lengths) > maxLength)
    for (int i = 0; i < count; i++) weight[i] = weight[i] / 2 + 1;
}

void assignCodes(const uint8_t* lengths, int count, uint32_t* codes) {
  uint32_t code = 0;
  for (int l = 1; l <= kMaxCodeLength; l++) {
    for (int s = 0; s < count; s++)
      if (lengths[s] == l) codes[s] = code++;
    code <<= 1;
  }
}

void chooseTables(const uint16_t* symbols, uint32_t count, int alphabet, const uint32_t* freq, TableChoice& out) {
  int groups = count < 200 ? 2 : count < 600 ? 3 : count < 1200 ? 4 : count < 2400 ? 5 : 6;
  out.groups = groups;
  out.selectors = static_cast<int>((count + kGroupSize - 1) / kGroupSize);

  // Start from tables that each favour one slice of the alphabet holding an equal
  // share of the symbols.
  uint64_t total = 0;
  for (int s = 0; s < alphabet; s++) total += freq[s];
  uint64_t seen = 0;
  int table = 0;
  for (int s = 0; s < alphabet; s++) {
    for (int t = 0; t < groups; t++) out.lengths[t][s] = static_cast<uint8_t>(t == table ? 1 : 15);
    seen += freq[s];
    if (table < groups - 1 && seen * groups >= total * static_cast<uint64_t>(table + 1)) table++;
  }

  // Costs of all tables in 16-bit lanes of two words: a group of 50 codes of up to
  // 20 bits never overflows a lane.
  uint64_t costLo[kMaxAlphabet], costHi[kMaxAlphabet];
  uint32_t tableFreq[kMaxGroups][kMaxAlphabet];
  for (int pass = 0; pass <= kRefinePasses; pass++) {
    for (int s = 0; s < alphabet; s++) {
      uint64_t lo = 0, hi = 0;
      for (int t = 0; t < groups; t++) {
        if (t < 4)
          lo |= static_cast<uint64_t>(out.lengths[t][s]) << (16 * t);
        else
          hi |= static_cast<uint64_t>(out.lengths[t][s]) << (16 * (t - 4));
      }
      costLo[s] = lo;
      costHi[s] = hi;
    }
    std::memset(tableFreq, 0, sizeof tableFreq);
    for (int g = 0; g < out.selectors; g++) {
      uint32_t from = static_cast<uint32_t>(g) * kGroupSize;
      uint32_t to = std::min<uint32_t>(from + kGroupSize, count);
      uint64_t lo = 0, hi = 0;
      for (uint32_t i = from; i < to; i++) {
        lo += costLo[symbols[i]];
        hi += costHi[symbols[i]];
      }
      int best = 0;
      uint32_t bestCost = UINT32_MAX;
      for (int t = 0; t < groups; t++) {
        uint32_t c = static_cast<uint32_t>(((t < 4 ? lo >> (16 * t) : hi >> (16 * (t - 4)))) & 0xFFFF);
        if (c < bestCost) {
          bestCost = c;
          best = t;
        }
      }
      out.selector[g] = static_cast<uint8_t>(best);
      if (pass == kRefinePasses) continue;
      for (uint32_t i = from; i < to; i++) tableFreq[best][symbols[i]]++;
    }
    // The last pass only re-picks the groups against the final tables.
    if (pass == kRefinePasses) break;
    for (int t = 0; t < groups; t++) buildCodeLengths(tableFreq[t], alphabet, kEncoderMaxCodeLength, out.lengths[t]);
  }
}

}  // namespace fmt::codecs::bz2
