#include "codecs/lh/huffman_table.h"

#include <algorithm>

namespace fmt::codecs {

bool HuffmanTable::build(const uint8_t* lengths, int count) {
  uint32_t perLength[kMaxBits + 1] = {};
  for (int i = 0; i < count; ++i) {
    if (lengths[i] > kMaxBits) return false;
    ++perLength[lengths[i]];
  }
  // Codes are numbered as 16-bit left-aligned values; they must not pass 2^16.
  uint32_t next[kMaxBits + 1] = {};
  uint32_t code = 0;
  for (int len = 1; len <= kMaxBits; ++len) {
    next[len] = code;
    code += perLength[len] << (kMaxBits - len);
    if (code > (1u << kMaxBits)) return false;
  }

  std::fill(primary_.begin(), primary_.end(), 0u);
  secondary_.clear();
  const int subBits = kMaxBits - bits_;
  for (int sym = 0; sym < count; ++sym) {
    int len = lengths[sym];
    if (len == 0) continue;
    uint32_t c = next[len];  // left-aligned to 16 bits
    next[len] += 1u << (kMaxBits - len);
    uint32_t entry = static_cast<uint32_t>(sym) | static_cast<uint32_t>(len) << 16;
    uint32_t prefix = c >> subBits;
    if (len <= bits_) {
      uint32_t span = 1u << (bits_ - len);
      std::fill_n(primary_.begin() + prefix, span, entry);
      continue;
    }
    uint32_t& slot = primary_[prefix];
    if (!(slot & kSecondary)) {
      slot = kSecondary | static_cast<uint32_t>(secondary_.size());
      secondary_.resize(secondary_.size() + (size_t(1) << subBits), 0u);
    }
    size_t base = slot & 0xFFFF;
    uint32_t low = c & ((1u << subBits) - 1);
    std::fill_n(secondary_.begin() + base + low, size_t(1) << (kMaxBits - len), entry);
  }
  return true;
}

void HuffmanTable::single(int symbol) {
  single_ = symbol;
  secondary_.clear();
  std::fill(primary_.begin(), primary_.end(), kSingle);
}

}  // namespace fmt::codecs
