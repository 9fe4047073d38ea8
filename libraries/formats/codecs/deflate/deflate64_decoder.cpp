#include "codecs/deflate/deflate64_decoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace fmt {
namespace {

constexpr int kMaxBits = 15;
constexpr int kFastBits = 10;
constexpr uint32_t kWindowSize = 65536;  // enough for both variants

[[noreturn]] void corrupt(const char* what) { fail(ErrorKind::Corrupt, std::string("deflate data: ") + what); }

// LSB-first bit input. Past the end of the input it supplies zero bytes so that a
// look-ahead near the end works, and fails as soon as one of them is consumed.
class BitReader {
 public:
  explicit BitReader(InStream& in) : in_(in), buf_(1 << 16) {}

  uint32_t peek(int n) {
    if (count_ < n) refill();
    return static_cast<uint32_t>(bits_ & ((uint64_t(1) << n) - 1));
  }
  void consume(int n) {
    bits_ >>= n;
    count_ -= n;
    if (count_ < padBytes_ * 8) fail(ErrorKind::Truncated, "deflate data ends too early");
  }
  uint32_t get(int n) {
    if (n == 0) return 0;
    uint32_t v = peek(n);
    consume(n);
    return v;
  }
  void alignToByte() { consume(count_ % 8); }

  // Byte-aligned copy of `n` raw bytes (a stored block).
  template <typename Sink>
  void copyBytes(uint32_t n, Sink&& sink) {
    while (n && count_ >= 8) {
      sink(static_cast<uint8_t>(get(8)));
      n--;
    }
    while (n) {
      if (pos_ == end_ && !fillBuffer()) fail(ErrorKind::Truncated, "deflate data ends inside a stored block");
      size_t take = std::min<size_t>(n, end_ - pos_);
      for (size_t i = 0; i < take; i++) sink(buf_[pos_ + i]);
      pos_ += take;
      n -= static_cast<uint32_t>(take);
    }
  }

 private:
  bool fillBuffer() {
    pos_ = 0;
    end_ = in_.read(buf_.data(), buf_.size());
    return end_ != 0;
  }
  void refill() {
    while (count_ <= 56) {
      if (pos_ == end_ && (padBytes_ || !fillBuffer())) {
        padBytes_++;
      } else {
        bits_ |= uint64_t(buf_[pos_++]) << count_;
      }
      count_ += 8;
    }
  }

  InStream& in_;
  std::vector<uint8_t> buf_;
  size_t pos_ = 0, end_ = 0;
  uint64_t bits_ = 0;
  int count_ = 0;
  int padBytes_ = 0;
};

// Canonical Huffman code: a direct table for codes up to kFastBits long and a walk
// by code length for the longer ones.
class Huffman {
 public:
  void build(const uint8_t* lengths, int n) {
    std::memset(count_, 0, sizeof count_);
    for (int s = 0; s < n; s++) count_[lengths[s]]++;
    count_[0] = 0;
    int left = 1;
    for (int len = 1; len <= kMaxBits; len++) {
      left = (left << 1) - count_[len];
      if (left < 0) corrupt("over-subscribed code lengths");
    }
    uint16_t offset[kMaxBits + 2] = {};
    for (int len = 1; len <= kMaxBits; len++) offset[len + 1] = static_cast<uint16_t>(offset[len] + count_[len]);
    for (int s = 0; s < n; s++)
      if (lengths[s]) sorted_[offset[lengths[s]]++] = static_cast<uint16_t>(s);

    std::memset(fast_, 0, sizeof fast_);
    uint32_t code = 0;
    int index = 0;
    for (int len = 1; len <= kMaxBits; len++) {
      for (int k = 0; k < count_[len]; k++, code++) {
        uint16_t sym = sorted_[index++];
        if (len > kFastBits) continue;
        uint32_t rev = 0;
        for (int b = 0; b < len; b++) rev |= ((code >> b) & 1) << (len - 1 - b);
        for (uint32_t i = rev; i < (1u << kFastBits); i += 1u << len) fast_[i] = static_cast<uint16_t>(sym << 4 | len);
      }
      code <<= 1;
    }
  }

  int decode(BitReader& br) const {
    uint32_t bits = br.peek(kMaxBits);
    uint16_t e = fast_[bits & ((1u << kFastBits) - 1)];
    if (e) {
      br.consume(e & 15);
      return e >> 4;
    }
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= kMaxBits; len++) {
      code |= (bits >> (len - 1)) & 1;
      int n = count_[len];
      if (code >= first && code - first < n) {
        br.consume(len);
        return sorted_[index + code - first];
      }
      index += n;
      first = (first + n) << 1;
      code <<= 1;
    }
    corrupt("invalid Huffman code");
  }

 private:
  uint16_t fast_[1 << kFastBits];
  uint16_t count_[kMaxBits + 1];
  uint16_t sorted_[320];
};

// The sliding window doubles as the output buffer: written out whenever it wraps.
class Window {
 public:
  explicit Window(OutStream& out) : out_(out), w_(kWindowSize) {}
  void put(uint8_t b) {
    w_[pos_++] = b;
    if (pos_ == kWindowSize) {
      out_.write(w_.data(), kWindowSize);
      pos_ = 0;
      wrapped_ = true;
    }
  }
  void copy(uint32_t dist, uint32_t len) {
    if (!wrapped_ && dist > pos_) corrupt("distance before the start of the data");
    uint32_t src = (pos_ - dist) & (kWindowSize - 1);
    while (len--) {
      put(w_[src]);
      src = (src + 1) & (kWindowSize - 1);
    }
  }
  void flush() {
    if (pos_) out_.write(w_.data(), pos_);
    pos_ = 0;
  }

 private:
  OutStream& out_;
  std::vector<uint8_t> w_;
  uint32_t pos_ = 0;
  bool wrapped_ = false;
};

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint32_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

class Inflater {
 public:
  Inflater(InStream& in, OutStream& out, DeflateVariant v) : br_(in), win_(out), deflate64_(v == DeflateVariant::Deflate64) {}

  void run() {
    bool last = false;
    while (!last) {
      last = br_.get(1);
      switch (br_.get(2)) {
        case 0: storedBlock(); break;
        case 1: fixedTables(); codes(); break;
        case 2: dynamicTables(); codes(); break;
        default: corrupt("reserved block type");
      }
    }
    win_.flush();
  }

 private:
  void storedBlock() {
    br_.alignToByte();
    uint32_t len = br_.get(16);
    uint32_t nlen = br_.get(16);
    if ((len ^ 0xFFFF) != nlen) corrupt("stored block length check failed");
    br_.copyBytes(len, [this](uint8_t b) { win_.put(b); });
  }

  void fixedTables() {
    uint8_t lengths[288];
    std::memset(lengths, 8, 144);
    std::memset(lengths + 144, 9, 112);
    std::memset(lengths + 256, 7, 24);
    std::memset(lengths + 280, 8, 8);
    lit_.build(lengths, 288);
    std::memset(lengths, 5, 32);
    dist_.build(lengths, 32);
  }

  void dynamicTables() {
    int nlit = static_cast<int>(br_.get(5)) + 257;
    int ndist = static_cast<int>(br_.get(5)) + 1;
    int nclen = static_cast<int>(br_.get(4)) + 4;
    uint8_t clen[19] = {};
    for (int i = 0; i < nclen; i++) clen[kCodeLengthOrder[i]] = static_cast<uint8_t>(br_.get(3));
    Huffman clcode;
    clcode.build(clen, 19);

    uint8_t lengths[288 + 32] = {};
    int n = 0;
    while (n < nlit + ndist) {
      int sym = clcode.decode(br_);
      if (sym < 16) {
        lengths[n++] = static_cast<uint8_t>(sym);
        continue;
      }
      uint8_t value = 0;
      int repeat;
      if (sym == 16) {
        if (n == 0) corrupt("length repeat with nothing before it");
        value = lengths[n - 1];
        repeat = 3 + static_cast<int>(br_.get(2));
      } else if (sym == 17) {
        repeat = 3 + static_cast<int>(br_.get(3));
      } else {
        repeat = 11 + static_cast<int>(br_.get(7));
      }
      if (n + repeat > nlit + ndist) corrupt("code lengths overrun the table");
      while (repeat--) lengths[n++] = value;
    }
    if (lengths[256] == 0) corrupt("no end-of-block code");
    lit_.build(lengths, nlit);
    dist_.build(lengths + nlit, ndist);
  }

  void codes() {
    for (;;) {
      int sym = lit_.decode(br_);
      if (sym < 256) {
        win_.put(static_cast<uint8_t>(sym));
        continue;
      }
      if (sym == 256) return;
      sym -= 257;
      if (sym >= 29) corrupt("invalid length code");
      uint32_t len;
      if (sym == 28 && deflate64_)
        len = 3 + br_.get(16);
      else
        len = kLengthBase[sym] + br_.get(kLengthExtra[sym]);
      int dsym = dist_.decode(br_);
      if (dsym >= (deflate64_ ? 32 : 30)) corrupt("invalid distance code");
      uint32_t dist = kDistBase[dsym] + br_.get(kDistExtra[dsym]);
      win_.copy(dist, len);
    }
  }

  BitReader br_;
  Window win_;
  bool deflate64_;
  Huffman lit_, dist_;
};

}  // namespace

void inflateRaw(InStream& in, OutStream& out, DeflateVariant variant) {
  auto inflater = std::make_unique<Inflater>(in, out, variant);  // tables are a few KB: keep them off the stack
  inflater->run();
}

}  // namespace fmt
