#include "codecs/lzx/lzx_huffman.h"

#include <algorithm>
#include <queue>

namespace fmt::codecs::lzx {

void HuffmanDecoder::build(const uint8_t* lengths, int count, int tableBits) {
  tableBits_ = tableBits;
  std::fill(std::begin(count_), std::end(count_), 0);
  for (int i = 0; i < count; ++i) {
    if (lengths[i] > kMaxCodeLength) fail(ErrorKind::Corrupt, "LZX: code length out of range");
    count_[lengths[i]]++;
  }
  count_[0] = 0;
  uint32_t code = 0;
  uint32_t kraft = 0;
  uint16_t offset = 0;
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    code = (code + (len > 1 ? count_[len - 1] : 0)) << (len > 1 ? 1 : 0);
    firstCode_[len] = code;
    offset_[len] = offset;
    offset = static_cast<uint16_t>(offset + count_[len]);
    kraft += static_cast<uint32_t>(count_[len]) << (kMaxCodeLength - len);
  }
  if (kraft > (1u << kMaxCodeLength)) fail(ErrorKind::Corrupt, "LZX: oversubscribed Huffman code");

  sorted_.assign(offset, 0);
  uint16_t next[17];
  std::copy(std::begin(offset_), std::end(offset_), next);
  for (int i = 0; i < count; ++i)
    if (lengths[i]) sorted_[next[lengths[i]]++] = static_cast<uint16_t>(i);

  table_.assign(size_t(1) << tableBits, 0);
  for (int len = 1; len <= tableBits && len <= kMaxCodeLength; ++len) {
    for (int k = 0; k < count_[len]; ++k) {
      uint32_t c = firstCode_[len] + k;
      uint16_t sym = sorted_[offset_[len] + k];
      uint32_t shift = tableBits - len;
      uint32_t from = c << shift, n = 1u << shift;
      uint16_t e = static_cast<uint16_t>(sym << 5 | len);
      std::fill(table_.begin() + from, table_.begin() + from + n, e);
    }
  }
}

int HuffmanDecoder::decodeLong(BitReader& br) const {
  for (int len = tableBits_ + 1; len <= kMaxCodeLength; ++len) {
    uint32_t c = br.peek(len) - firstCode_[len];
    if (c < count_[len]) {
      br.skip(len);
      return sorted_[offset_[len] + c];
    }
  }
  fail(ErrorKind::Corrupt, "LZX: invalid Huffman code");
}

std::vector<uint8_t> buildLengths(const uint32_t* freqs, int count, int maxLength) {
  std::vector<uint8_t> lengths(count, 0);
  std::vector<int> used;
  for (int i = 0; i < count; ++i)
    if (freqs[i]) used.push_back(i);
  if (used.empty()) return lengths;
  if (used.size() == 1) {
    // Two codes of one bit: decoders that insist on a complete code accept it.
    lengths[used[0]] = 1;
    lengths[used[0] == 0 ? 1 : 0] = 1;
    return lengths;
  }

  // Plain Huffman over a heap of (weight, node); leaves 0..n-1, inner nodes after.
  size_t n = used.size();
  std::vector<int> parent(2 * n, -1);
  using Item = std::pair<uint64_t, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> heap;
  for (size_t i = 0; i < n; ++i) heap.push({freqs[used[i]], static_cast<int>(i)});
  int next = static_cast<int>(n);
  while (heap.size() > 1) {
    Item a = heap.top();
    heap.pop();
    Item b = heap.top();
    heap.pop();
    parent[a.second] = parent[b.second] = next;
    heap.push({a.first + b.first, next++});
  }
  std::vector<int> depth(next, 0);
  for (int i = next - 2; i >= 0; --i) depth[i] = depth[parent[i]] + 1;

  // Limit the depth: clamp, then repay the Kraft debt by lengthening the
  // deepest codes that are still short of the limit.
  std::vector<int> len(n);
  for (size_t i = 0; i < n; ++i) len[i] = std::min(depth[i], maxLength);
  auto kraft = [&] {
    uint64_t k = 0;
    for (int l : len) k += uint64_t(1) << (maxLength - l);
    return k;
  };
  uint64_t limit = uint64_t(1) << maxLength;
  uint64_t k = kraft();
  if (k > limit) {
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    // Rarest first: they are the cheapest to lengthen.
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return freqs[used[a]] < freqs[used[b]]; });
    while (k > limit) {
      for (size_t idx : order) {
        if (len[idx] < maxLength) {
          k -= uint64_t(1) << (maxLength - len[idx] - 1);
          len[idx]++;
          if (k <= limit) break;
        }
      }
    }
    // Shorten where slack allows, most frequent first.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
      while (len[*it] > 1 && k + (uint64_t(1) << (maxLength - len[*it])) <= limit) {
        k += uint64_t(1) << (maxLength - len[*it]);
        len[*it]--;
      }
    }
  }
  for (size_t i = 0; i < n; ++i) lengths[used[i]] = static_cast<uint8_t>(len[i]);
  return lengths;
}

std::vector<uint16_t> canonicalCodes(const uint8_t* lengths, int count) {
  uint32_t counts[kMaxCodeLength + 1] = {};
  for (int i = 0; i < count; ++i) counts[lengths[i]]++;
  counts[0] = 0;
  uint32_t next[kMaxCodeLength + 2] = {};
  uint32_t code = 0;
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    code = (code + counts[len - 1]) << 1;
    next[len] = code;
  }
  std::vector<uint16_t> codes(count, 0);
  for (int i = 0; i < count; ++i)
    if (lengths[i]) codes[i] = static_cast<uint16_t>(next[lengths[i]]++);
  return codes;
}

}  // namespace fmt::codecs::lzx
