#include "codecs/lzw_encoder.h"

#include <cstring>
#include <vector>

#include "codecs/lzw_format.h"

namespace fmt::codecs {

using namespace lzw;

namespace {

// Once the table is full the ratio is looked at every this many input bytes;
// a fall starts a new table.
constexpr uint64_t kCheckGap = 10000;
constexpr uint32_t kHashBits = 17;  // two slots per code at 16 bits: short probes, and a table that stays in cache
constexpr uint32_t kHashSize = 1u << kHashBits;

}  // namespace

struct LzwEncoder::State {
  State(OutStream& o, const LzwOptions& opt) : out(o), maxBits(opt.maxBits), block(opt.blockMode) {}

  OutStream& out;
  int maxBits;
  bool block;
  uint32_t limit = 0;

  // Table: (prefix code, byte) -> code, by open addressing. A slot belongs to the
  // current table only when its generation matches, so a CLEAR costs nothing.
  struct Slot {
    uint32_t key;  // prefix << 8 | byte
    uint16_t code;
    uint16_t generation;
  };
  std::vector<Slot> slots = std::vector<Slot>(kHashSize, Slot{0, 0, 0});
  uint16_t generation = 1;

  int width = kMinBits;
  uint32_t maxCode = 0;
  uint32_t next = 0;
  bool haveString = false;
  uint32_t current = 0;  // code of the string matched so far

  uint64_t acc = 0;
  int accBits = 0;
  uint64_t phaseBits = 0;
  // Output waits here; a plain array, so that writing a code costs no more than a store.
  uint8_t buf[(1 << 16) + 64];
  size_t bufLen = 0;
  uint64_t in = 0, written = 0;
  uint64_t checkpoint = kCheckGap;
  uint64_t bestRatio = 0;
  bool finished = false;

  void flushBuf() {
    if (bufLen == 0) return;
    out.write(buf, bufLen);
    written += bufLen;
    bufLen = 0;
  }

  // Bits gather in the accumulator and leave four bytes at a time (at most 31
  // wait there, and a code adds at most 16).
  void putBits(uint32_t value, int bits) {
    acc |= static_cast<uint64_t>(value) << accBits;
    accBits += bits;
    if (accBits >= 32) {
      const uint32_t word = static_cast<uint32_t>(acc);
      buf[bufLen] = static_cast<uint8_t>(word);
      buf[bufLen + 1] = static_cast<uint8_t>(word >> 8);
      buf[bufLen + 2] = static_cast<uint8_t>(word >> 16);
      buf[bufLen + 3] = static_cast<uint8_t>(word >> 24);
      bufLen += 4;
      acc >>= 32;
      accBits -= 32;
      if (bufLen >= (1 << 16)) flushBuf();
    }
  }

  void putCode(uint32_t code) {
    putBits(code, width);
    phaseBits += width;
  }

  // Zero bits up to the end of the group, then the new width.
  // A width reached by growing to the maximum takes every code; the 9-bit start
  // does not, so with 9-bit codes a full table moves on to 10-bit codes.
  void setWidth(int w) {
    uint64_t pad = groupPadding(phaseBits, width);
    while (pad > 0) {
      const int step = pad > 32 ? 32 : static_cast<int>(pad);
      putBits(0, step);
      pad -= static_cast<uint64_t>(step);
    }
    phaseBits = 0;
    width = w;
    maxCode = w == maxBits && w != kMinBits ? limit : (1u << w) - 1;
  }

  void resetTable() {
    if (++generation == 0) {  // wrapped: old stamps could match again
      std::fill(slots.begin(), slots.end(), Slot{0, 0, 0});
      generation = 1;
    }
    next = block ? kClear + 1 : 256;
  }

  void start() {
    if (maxBits < kMinBits || maxBits > kMaxBits) fail(ErrorKind::Usage, "compress (.Z) codes must be 9 to 16 bits wide");
    limit = 1u << maxBits;
    const uint8_t header[kHeaderSize] = {kMagic0, kMagic1,
                                         static_cast<uint8_t>(maxBits | (block ? kBlockModeFlag : 0))};
    std::memcpy(buf, header, kHeaderSize);
    bufLen = kHeaderSize;
    maxCode = (1u << width) - 1;
    resetTable();
  }

  // The decoder widens one code after the entry that needs it is made, so the
  // check comes after each code written with the entry count before it grows.
  [[gnu::always_inline]] inline void emit(uint32_t code) {
    putCode(code);
    if (next > maxCode) setWidth(width + 1);
  }

  uint64_t outBits() const { return (written + bufLen) * 8 + static_cast<uint64_t>(accBits); }

  void maybeClear() {
    if (!block || in < checkpoint) return;
    checkpoint = in + kCheckGap;
    const uint64_t outBytes = outBits() / 8 + 1;
    const uint64_t ratio = (in << 8) / outBytes;
    if (ratio > bestRatio) {
      bestRatio = ratio;
      return;
    }
    bestRatio = 0;
    putCode(kClear);
    setWidth(kMinBits);
    resetTable();
  }

  void add(const uint8_t* p, size_t n) {
    if (n == 0) return;
    size_t i = 0;
    if (!haveString) {
      current = p[i++];
      haveString = true;
    }
    // The matching loop keeps its state in locals; only a new code leaves it.
    const uint64_t base = in;
    Slot* const table = slots.data();
    uint32_t cur = current;
    for (; i < n; i++) {
      const uint8_t c = p[i];
      const uint32_t key = (cur << 8) | c;
      uint32_t h = (key * 2654435761u) >> (32 - kHashBits);
      const uint16_t gen = generation;
      while (table[h].generation == gen && table[h].key != key) h = (h + 1) & (kHashSize - 1);
      Slot& slot = table[h];
      if (slot.generation == gen) {
        cur = slot.code;
        continue;
      }
      in = base + i + 1;
      emit(cur);
      if (next < limit) {
        slot = Slot{key, static_cast<uint16_t>(next), gen};
        next++;
      } else {
        maybeClear();
      }
      cur = c;
    }
    current = cur;
    in = base + n;
  }

  void end() {
    if (haveString) putCode(current);
    while (accBits > 0) {
      buf[bufLen++] = static_cast<uint8_t>(acc);
      acc >>= 8;
      accBits = accBits > 8 ? accBits - 8 : 0;
    }
    flushBuf();
  }
};

LzwEncoder::LzwEncoder(OutStream& out, const LzwOptions& options) : s_(std::make_unique<State>(out, options)) {
  s_->start();
}
LzwEncoder::~LzwEncoder() = default;

void LzwEncoder::write(const void* data, size_t n) {
  if (s_->finished) fail(ErrorKind::Usage, "write after finish");
  s_->add(static_cast<const uint8_t*>(data), n);
}

void LzwEncoder::finish() {
  if (s_->finished) return;
  s_->finished = true;
  s_->end();
}

uint64_t LzwEncoder::bytesIn() const { return s_->in; }
uint64_t LzwEncoder::bytesOut() const { return s_->written + s_->bufLen; }

uint64_t lzwEncode(InStream& in, OutStream& out, const LzwOptions& options, const ProgressFn& progress) {
  LzwEncoder enc(out, options);
  std::vector<uint8_t> buf(1 << 16);
  for (;;) {
    const size_t got = in.read(buf.data(), buf.size());
    if (got == 0) break;
    enc.write(buf.data(), got);
    if (progress && !progress(enc.bytesIn(), 0)) fail(ErrorKind::Cancelled, "cancelled");
  }
  enc.finish();
  return enc.bytesOut();
}

}  // namespace fmt::codecs
