#include "codecs/huffman_lengths.h"

#include <algorithm>
#include <cstring>

namespace fmt::codecs {
namespace {

constexpr int kMaxSymbols = 512;

}  // namespace

int huffmanLengths(const uint32_t* freq, int n, int maxLen, uint8_t* len) {
  std::memset(len, 0, static_cast<size_t>(n));
  // Sorted by weight, ties by symbol: (weight << 16 | symbol) keys sort plainly.
  uint64_t key[kMaxSymbols];
  int used = 0;
  for (int i = 0; i < n; i++)
    if (freq[i]) key[used++] = static_cast<uint64_t>(freq[i]) << 16 | static_cast<uint64_t>(i);
  if (used < 2) return used;
  std::sort(key, key + used);
  int leaf[kMaxSymbols];
  for (int i = 0; i < used; i++) leaf[i] = static_cast<int>(key[i] & 0xFFFF);

  // Two-queue construction: leaves in weight order, internal nodes appended in the
  // order they are made, which is also weight order. Nodes 0..used-1 are leaves.
  uint64_t weight[2 * kMaxSymbols];
  int parent[2 * kMaxSymbols];
  for (int i = 0; i < used; i++) weight[i] = freq[leaf[i]];
  int nextLeaf = 0, nextInner = used, made = used;
  auto takeLightest = [&]() {
    if (nextLeaf < used && (nextInner >= made || weight[nextLeaf] <= weight[nextInner])) return nextLeaf++;
    return nextInner++;
  };
  while (made < 2 * used - 1) {
    int a = takeLightest();
    int b = takeLightest();
    weight[made] = weight[a] + weight[b];
    parent[a] = parent[b] = made;
    made++;
  }
  int depth[2 * kMaxSymbols];
  depth[made - 1] = 0;
  for (int i = made - 2; i >= 0; i--) depth[i] = depth[parent[i]] + 1;

  // Count leaves per depth, folding deeper ones onto maxLen, then restore an exact
  // Kraft sum by splitting the deepest shorter leaf for each excess code.
  int count[32] = {};
  for (int i = 0; i < used; i++) count[std::min(depth[i], maxLen)]++;
  uint64_t kraft = 0;
  for (int l = 1; l <= maxLen; l++) kraft += static_cast<uint64_t>(count[l]) << (maxLen - l);
  const uint64_t full = uint64_t{1} << maxLen;
  while (kraft > full) {
    count[maxLen]--;
    for (int l = maxLen - 1; l > 0; l--) {
      if (count[l]) {
        count[l]--;
        count[l + 1] += 2;
        break;
      }
    }
    kraft--;
  }
  // Leaves were sorted by ascending weight: the heaviest get the shortest codes.
  int l = 1;
  for (int i = used - 1; i >= 0; i--) {
    while (count[l] == 0) l++;
    count[l]--;
    len[leaf[i]] = static_cast<uint8_t>(l);
  }
  return used;
}

void canonicalCodes(const uint8_t* len, int n, uint16_t* code) {
  uint32_t count[18] = {};
  for (int i = 0; i < n; i++) count[len[i]]++;
  count[0] = 0;
  uint32_t next[18];
  uint32_t c = 0;
  for (int l = 1; l <= 16; l++) {
    c = (c + count[l - 1]) << 1;
    next[l] = c;
  }
  for (int i = 0; i < n; i++) code[i] = len[i] ? static_cast<uint16_t>(next[len[i]]++) : 0;
}

}  // namespace fmt::codecs
