// A test-only Quantum encoder: greedy matches coded with the same adaptive
// models, an arithmetic encoder mirroring the decoder's registers, and the
// raw extra bits placed where the decoder reads them (after the 16 code bits
// it holds ahead). Slow and simple; it exists to make streams with every
// feature for the decoder and for cabextract.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "codecs/quantum/quantum_model.h"

namespace qtmtest {

using fmt::codecs::quantum::Model;

// Position and length slots as the format lists them.
inline constexpr uint32_t kPositionBase[42] = {
    0,     1,     2,     3,      4,      6,      8,      12,     16,     24,      32,      48,     64,    96,
    128,   192,   256,   384,    512,    768,    1024,   1536,   2048,   3072,    4096,    6144,   8192,  12288,
    16384, 24576, 32768, 49152,  65536,  98304,  131072, 196608, 262144, 393216,  524288,  786432, 1048576,
    1572864};
inline constexpr uint8_t kPositionExtra[42] = {0, 0, 0, 0, 1,  1,  2,  2,  3,  3,  4,  4,  5,  5,
                                               6, 6, 7, 7, 8,  8,  9,  9,  10, 10, 11, 11, 12, 12,
                                               13, 13, 14, 14, 15, 15, 16, 16, 17, 17, 18, 18, 19, 19};
inline constexpr uint8_t kLengthBase[27] = {0,  1,  2,  3,  4,  5,  6,   8,   10,  12,  14,  18,  22, 26,
                                            30, 38, 46, 54, 62, 78, 94, 110, 126, 158, 190, 222, 254};
inline constexpr uint8_t kLengthExtra[27] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                             3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

class ArithmeticEncoder {
 public:
  void encode(Model& m, int symbol) {
    int entry = 0;
    while (m.symbol(entry) != symbol) ++entry;
    uint32_t range = high_ - low_ + 1, total = m.total();
    high_ = low_ + (m.cum(entry) * range) / total - 1;
    low_ = low_ + (m.cum(entry + 1) * range) / total;
    m.update(entry);
    for (;;) {
      if (!((low_ ^ high_) & 0x8000)) {
        emit((high_ >> 15) & 1);
      } else if ((low_ & 0x4000) && !(high_ & 0x4000)) {
        pending_++;
        low_ &= 0x3FFF;
        high_ |= 0x4000;
      } else {
        break;
      }
      low_ = (low_ << 1) & 0xFFFF;
      high_ = ((high_ << 1) | 1) & 0xFFFF;
      shifts_++;
    }
  }

  // The decoder reads raw bits after the 16 code bits it loaded first and one
  // per shift since.
  void raw(uint32_t value, int bits) {
    if (bits) raws_.push_back({16 + shifts_, value, bits});
  }

  // Ends the frame: two bits pin the value inside the interval; the rest may
  // be anything. Returns the frame's bytes.
  std::vector<uint8_t> finish() {
    pending_++;
    emit((low_ >> 14) & 1);
    std::vector<int> out;
    size_t r = 0;
    size_t need = code_.size();
    for (const Raw& x : raws_) need = std::max(need, x.at);
    for (size_t j = 0; j <= need; ++j) {
      for (; r < raws_.size() && raws_[r].at == j; ++r)
        for (int b = raws_[r].bits - 1; b >= 0; --b) out.push_back((raws_[r].value >> b) & 1);
      if (j < need) out.push_back(j < code_.size() ? code_[j] : 0);
    }
    for (int k = 0; k < 16; ++k) out.push_back(0);
    std::vector<uint8_t> bytes((out.size() + 7) / 8, 0);
    for (size_t i = 0; i < out.size(); ++i)
      if (out[i]) bytes[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    return bytes;
  }

 private:
  struct Raw {
    size_t at;
    uint32_t value;
    int bits;
  };
  void emit(int bit) {
    code_.push_back(bit);
    for (; pending_; --pending_) code_.push_back(!bit);
  }

  uint32_t low_ = 0, high_ = 0xFFFF;
  int pending_ = 0;
  size_t shifts_ = 0;
  std::vector<int> code_;
  std::vector<Raw> raws_;
};

class Encoder {
 public:
  explicit Encoder(int windowBits) : bits_(windowBits) {
    for (int i = 0; i < 4; ++i) literals_[i].init(64, 64 * i);
    int slots = 2 * windowBits;
    pos3_.init(std::min(slots, 24), 0);
    pos4_.init(std::min(slots, 36), 0);
    pos5_.init(slots, 0);
    length_.init(27, 0);
    selector_.init(7, 0);
  }

  // Encodes data[from, from+n) as one frame, matching back into data[0, from).
  std::vector<uint8_t> frame(const std::vector<uint8_t>& data, size_t from, size_t n) {
    ArithmeticEncoder ac;
    const size_t window = size_t(1) << bits_;
    size_t p = from;
    const size_t end = from + n;
    while (p < end) {
      size_t bestLen = 0, bestDist = 0;
      // Greedy: the longest match within reach, nearest first.
      size_t maxLen = std::min<size_t>(259, end - p);
      for (size_t d = 1; d <= std::min(window, p) && d <= 4096 + 64; ++d) {
        size_t len = 0;
        while (len < maxLen && data[p - d + len] == data[p + len]) ++len;
        if (len > bestLen && usable(len, d)) bestLen = len, bestDist = d;
      }
      // A far probe, so that long distances are exercised too.
      for (size_t d : {window, window / 2 + 3, window - 17})
        if (d >= 1 && d <= p) {
          size_t len = 0;
          while (len < maxLen && data[p - d + len] == data[p + len]) ++len;
          if (len > bestLen && usable(len, d)) bestLen = len, bestDist = d;
        }
      if (bestLen < 3) {
        uint8_t b = data[p++];
        ac.encode(selector_, b >> 6);
        ac.encode(literals_[b >> 6], b);
        continue;
      }
      uint32_t offset = static_cast<uint32_t>(bestDist - 1);
      int slot = 0;
      while (slot + 1 < 42 && kPositionBase[slot + 1] <= offset) ++slot;
      if (bestLen == 3) {
        ac.encode(selector_, 4);
        ac.encode(pos3_, slot);
      } else if (bestLen == 4) {
        ac.encode(selector_, 5);
        ac.encode(pos4_, slot);
      } else {
        uint32_t l = static_cast<uint32_t>(bestLen - 5);
        int ls = 0;
        while (ls + 1 < 27 && kLengthBase[ls + 1] <= l) ++ls;
        ac.encode(selector_, 6);
        ac.encode(length_, ls);
        ac.raw(l - kLengthBase[ls], kLengthExtra[ls]);
        ac.encode(pos5_, slot);
      }
      ac.raw(offset - kPositionBase[slot], kPositionExtra[slot]);
      p += bestLen;
    }
    return ac.finish();
  }

 private:
  // Lengths 3 and 4 have position models with fewer slots.
  bool usable(size_t len, size_t dist) const {
    size_t limit = size_t(1) << bits_;
    if (len == 3) limit = std::min<size_t>(limit, 4096);
    if (len == 4) limit = std::min<size_t>(limit, 262144);
    return len >= 3 && dist <= limit;
  }

  int bits_;
  Model literals_[4], pos3_, pos4_, pos5_, length_, selector_;
};

}  // namespace qtmtest
