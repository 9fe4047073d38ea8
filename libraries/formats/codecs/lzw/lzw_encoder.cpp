#include "codecs/lzw/lzw_encoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/lzw/lzw_format.h"
#include "core/copy.h"

namespace fmt::codecs {

using namespace lzw;

namespace {

// Once the table is full the ratio is looked at every this many input bytes;
// a fall starts a new table.
constexpr uint64_t kCheckGap = 10000;
constexpr uint32_t kHashBits = 17;  // two slots per code at 16 bits: short probes, and a table that stays in cache
constexpr uint32_t kHashMask = (1u << kHashBits) - 1;
constexpr size_t kBufSize = 1 << 16;  // output flushed when this much waits

// A table slot in one word, so that a probe is one load and one compare:
// generation (24 bits) | prefix code << 8 | byte (24 bits) | code (16 bits).
// A slot belongs to the current table only when its generation matches, so a
// CLEAR costs nothing.
constexpr int kKeyShift = 16;
constexpr int kGenShift = 40;
constexpr uint64_t kGenLimit = 1u << 24;

inline uint32_t slotOf(uint32_t key) { return (key * 2654435761u) >> (32 - kHashBits); }

}  // namespace

struct LzwEncoder::State {
  State(OutStream& o, const LzwOptions& opt) : out(o), maxBits(opt.maxBits), block(opt.blockMode) {}

  OutStream& out;
  int maxBits;
  bool block;
  uint32_t limit = 0;

  std::vector<uint64_t> slots = std::vector<uint64_t>(kHashMask + 1, 0);
  uint64_t generation = 0;

  int width = kMinBits;
  uint32_t maxCode = 0;
  uint32_t next = 0;
  bool haveString = false;
  uint32_t current = 0;  // code of the string matched so far

  uint64_t acc = 0;
  int accBits = 0;
  uint64_t phaseBits = 0;
  // Output waits here; a plain array, so that writing a code costs no more than a store.
  uint8_t buf[kBufSize + 64];
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
      storeWord(buf + bufLen, static_cast<uint32_t>(acc));
      bufLen += 4;
      acc >>= 32;
      accBits -= 32;
      if (bufLen >= kBufSize) flushBuf();
    }
  }

  static void storeWord(uint8_t* p, uint32_t word) {
    p[0] = static_cast<uint8_t>(word);
    p[1] = static_cast<uint8_t>(word >> 8);
    p[2] = static_cast<uint8_t>(word >> 16);
    p[3] = static_cast<uint8_t>(word >> 24);
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
    if (++generation == kGenLimit) {  // wrapped: old stamps could match again
      std::fill(slots.begin(), slots.end(), 0);
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

  uint64_t outBits() const { return (written + bufLen) * 8 + static_cast<uint64_t>(accBits); }

  // With a full table, at each checkpoint: a ratio that did not rise starts a new table.
  void checkRatio() {
    checkpoint = in + kCheckGap;
    const uint64_t outBytes = outBits() / 8 + 1;
    const uint64_t ratio = (in << 8) / outBytes;
    if (ratio > bestRatio) {
      bestRatio = ratio;
      return;
    }
    bestRatio = 0;
    putBits(kClear, width);
    phaseBits += static_cast<uint64_t>(width);
    setWidth(kMinBits);
    resetTable();
  }

  // The matching loop keeps everything it changes in locals: stores through the
  // byte pointer of the output could otherwise alias the members and force reloads.
  // Rare events (a new width, a full buffer, a checkpoint) put them back first.
  void add(const uint8_t* p, size_t n) {
    if (n == 0) return;
    const uint8_t* const end = p + n;
    const uint64_t base = in;
    const uint8_t* const first = p;
    if (!haveString) {
      current = *p++;
      haveString = true;
    }
    uint64_t* const table = slots.data();
    uint32_t cur = current;
    // The members' copies, filled by load(). check: when the table is full and
    // block mode is on, the input position where the ratio is next looked at.
    uint64_t gen, a, phase, check;
    int bits, w;
    uint32_t nextCode, top;
    uint8_t* o;

    auto save = [&] {
      acc = a;
      accBits = bits;
      width = w;
      phaseBits = phase;
      next = nextCode;
      bufLen = static_cast<size_t>(o - buf);
    };
    auto load = [&] {
      a = acc;
      bits = accBits;
      w = width;
      phase = phaseBits;
      nextCode = next;
      top = maxCode;
      o = buf + bufLen;
      gen = generation << kGenShift;
      check = block ? checkpoint : UINT64_MAX;
    };
    load();

    while (p < end) {
      const uint8_t c = *p++;
      const uint32_t key = (cur << 8) | c;
      const uint64_t want = gen | static_cast<uint64_t>(key) << kKeyShift;
      uint32_t h = slotOf(key);
      uint64_t d;
      // d below 2^16: this key (the low bits are its code); at or above 2^40: a slot of an older table.
      while ((d = table[h] ^ want) >= (1u << kKeyShift) && d < (uint64_t{1} << kGenShift)) h = (h + 1) & kHashMask;
      if (d < (1u << kKeyShift)) {
        cur = static_cast<uint32_t>(d);
        continue;
      }
      a |= static_cast<uint64_t>(cur) << bits;
      bits += w;
      phase += static_cast<uint64_t>(w);
      if (bits >= 32) {
        storeWord(o, static_cast<uint32_t>(a));
        o += 4;
        a >>= 32;
        bits -= 32;
        if (o >= buf + kBufSize) {
          save();
          flushBuf();
          o = buf;
        }
      }
      // The decoder widens one code after the entry that needs it is made, so the
      // check comes after each code written with the entry count before it grows.
      if (nextCode > top) {
        save();
        setWidth(w + 1);
        load();
      }
      if (nextCode < limit) {
        table[h] = want | nextCode;
        nextCode++;
      } else if (base + static_cast<uint64_t>(p - first) >= check) {
        save();
        in = base + static_cast<uint64_t>(p - first);
        checkRatio();
        load();
      }
      cur = c;
    }
    save();
    current = cur;
    in = base + n;
  }

  void end() {
    if (haveString) putBits(current, width);
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
  return encodeStream(in, enc, 1 << 16, progress);
}

}  // namespace fmt::codecs
