#include "codecs/lzw/lzw_decoder.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "codecs/lzw/lzw_format.h"
#include "core/copy.h"

namespace fmt::codecs {

using namespace lzw;

struct LzwInStream::State {
  explicit State(InStream& src) : in(src) {}

  InStream& in;
  uint8_t inBuf[1 << 16];
  size_t inPos = 0, inLen = 0;
  bool inEnd = false;
  uint64_t acc = 0;  // bits not yet taken, lowest first
  int accBits = 0;
  uint64_t phaseBits = 0;  // bits taken since the width last changed

  bool started = false, finished = false;
  int maxBits = 0;
  bool block = false;
  int width = kMinBits;
  uint32_t maxCode = 0;  // the largest code of the current width
  uint32_t limit = 0;    // codes in a full table
  uint32_t next = 0;     // the code the next table entry gets
  bool fresh = true;     // the next code starts the table (after the start or a CLEAR)
  uint32_t previous = 0;
  uint8_t firstByte = 0;  // first byte of the last string

  // Prefix and last byte side by side: a string walk touches one line per step.
  struct Link {
    uint16_t prefix;
    uint8_t suffix;
  };
  Link table[1 << kMaxBits];
  // Each string's length, so that it can be written straight into the caller's
  // buffer, back to front, without a detour through `pending`.
  uint32_t length[1 << kMaxBits];
  uint32_t longest = 1;  // the longest string in the table: what a code can need

  // Strings are built at the end of this; what did not fit the caller's buffer
  // waits in [pendingPos, pendingLen).
  uint8_t pending[(1 << kMaxBits) + 1];
  size_t pendingPos = 0, pendingLen = 0;

  bool pullByte(uint8_t& b) {
    if (inPos == inLen) {
      if (inEnd) return false;
      inLen = in.read(inBuf, sizeof inBuf);
      inPos = 0;
      if (inLen == 0) {
        inEnd = true;
        return false;
      }
    }
    b = inBuf[inPos++];
    return true;
  }

  bool fill(int bits) {
    if (accBits >= bits) return true;
    // Whole bytes from the buffer while they fit, then one at a time across refills.
    while (accBits <= 56 && inPos < inLen) {
      acc |= static_cast<uint64_t>(inBuf[inPos++]) << accBits;
      accBits += 8;
    }
    while (accBits < bits) {
      uint8_t b;
      if (!pullByte(b)) return false;
      acc |= static_cast<uint64_t>(b) << accBits;
      accBits += 8;
    }
    return true;
  }

  // A final code with too few bits left is not a code: the data has ended.
  // Inlined: it runs once per code, and the refill is rarely needed.
  [[gnu::always_inline]] inline bool getCode(uint32_t& code) {
    if (accBits < width) {
      while (accBits <= 56 && inPos < inLen) {
        acc |= static_cast<uint64_t>(inBuf[inPos++]) << accBits;
        accBits += 8;
      }
      if (accBits < width && !fill(width)) return false;
    }
    code = static_cast<uint32_t>(acc & ((1u << width) - 1));
    acc >>= width;
    accBits -= width;
    phaseBits += width;
    return true;
  }

  void skipRestOfGroup() {
    uint64_t pad = groupPadding(phaseBits, width);
    while (pad > 0) {
      const int step = pad > 32 ? 32 : static_cast<int>(pad);
      if (!fill(step)) {
        acc = 0;
        accBits = 0;
        break;
      }
      acc >>= step;
      accBits -= step;
      pad -= static_cast<uint64_t>(step);
    }
    phaseBits = 0;
  }

  // A width reached by growing to the maximum takes every code; the 9-bit start
  // does not, so with 9-bit codes a full table moves on to 10-bit codes.
  void setWidth(int w) {
    skipRestOfGroup();
    width = w;
    maxCode = w == maxBits && w != kMinBits ? limit : (1u << w) - 1;
  }

  void readHeader() {
    uint8_t h[kHeaderSize];
    for (uint8_t& b : h)
      if (!pullByte(b)) fail(ErrorKind::Corrupt, "not compress (.Z) data: the header is incomplete");
    if (!looksLikeHeader(h, kHeaderSize)) fail(ErrorKind::Corrupt, "not compress (.Z) data");
    maxBits = h[2] & kBitsMask;
    block = (h[2] & kBlockModeFlag) != 0;
    if (maxBits < kMinBits || maxBits > kMaxBits)
      fail(maxBits > kMaxBits ? ErrorKind::Unsupported : ErrorKind::Corrupt,
           "compress (.Z) data with " + std::to_string(maxBits) + "-bit codes");
    limit = 1u << maxBits;
    for (uint32_t c = 0; c < 256; c++) length[c] = 1;
    width = kMinBits;
    maxCode = (1u << width) - 1;
    next = block ? kClear + 1 : 256;
  }

  // Writes the string of `code` ending just before `end`; returns its start.
  uint8_t* writeString(uint32_t code, uint8_t* end) {
    // Every entry points to a smaller code, so this ends within the table size.
    while (code >= 256) {
      const Link l = table[code];
      *--end = l.suffix;
      code = l.prefix;
    }
    *--end = static_cast<uint8_t>(code);
    return end;
  }

  // Decodes one code: its string is built at the end of `pending`, then copied
  // to dst as far as `room` allows (the rest waits). Returns the bytes put in
  // dst, or -1 at the end of the data.
  int64_t decodeOne(uint8_t* dst, size_t room) {
    if (next > maxCode) setWidth(width + 1);
    uint32_t code;
    if (!getCode(code)) return -1;
    if (block && code == kClear) {
      setWidth(kMinBits);
      next = kClear + 1;
      fresh = true;
      longest = 1;
      return 0;
    }
    if (fresh) {
      if (code > 255) fail(ErrorKind::Corrupt, "compress (.Z) data: a string code where a literal must be");
      fresh = false;
      previous = code;
      firstByte = static_cast<uint8_t>(code);
      return put(&firstByte, 1, dst, room);
    }
    if (code > next || (code == next && next >= limit)) fail(ErrorKind::Corrupt, "compress (.Z) data: a code not yet defined");
    // The code being defined is the previous string plus its own first byte.
    const size_t n = code == next ? length[previous] + 1 : length[code];
    const bool direct = n <= room;
    uint8_t* const end = direct ? dst + n : pending + sizeof pending;
    uint8_t* p = end;
    if (code == next) *--p = firstByte;
    p = writeString(code == next ? previous : code, p);
    firstByte = *p;
    if (next < limit) {
      table[next] = Link{static_cast<uint16_t>(previous), firstByte};
      length[next] = length[previous] + 1;
      longest = std::max(longest, length[next]);
      next++;
    }
    previous = code;
    if (direct) return static_cast<int64_t>(n);
    pendingPos = static_cast<size_t>(p - pending);
    pendingLen = sizeof pending;
    return 0;
  }

  // The common case in a tight loop: codes of the current width, no CLEAR, and
  // room for the longest string. State lives in locals, because every byte
  // stored through `out` could otherwise alias it and force reloads. Stops,
  // without taking the code, at anything decodeOne must handle.
  size_t decodeRun(uint8_t* dst, size_t room) {
    if (fresh) return 0;
    uint8_t* out = dst;
    uint8_t* const dstEnd = dst + room;
    uint32_t most = longest;
    uint64_t a = acc;
    int bits = accBits;
    uint64_t phase = phaseBits;
    uint32_t nxt = next, prev = previous;
    uint8_t first = firstByte;
    const int w = width;
    const uint32_t mask = (1u << w) - 1, top = maxCode, lim = limit;
    const bool blockMode = block;
    // A code's string is at most one byte longer than the longest in the table.
    while (static_cast<size_t>(dstEnd - out) > most && nxt <= top) {
      if (bits < w) {
        while (bits <= 56 && inPos < inLen) {
          a |= static_cast<uint64_t>(inBuf[inPos++]) << bits;
          bits += 8;
        }
        if (bits < w) break;
      }
      const uint32_t code = static_cast<uint32_t>(a) & mask;
      if ((blockMode && code == kClear) || code > nxt || (code == nxt && nxt >= lim)) break;
      a >>= w;
      bits -= w;
      phase += static_cast<uint64_t>(w);
      const size_t n = code == nxt ? length[prev] + 1 : length[code];
      uint8_t* const end = out + n;
      uint8_t* p = end;
      uint32_t c = code;
      if (code == nxt) {
        *--p = first;
        c = prev;
      }
      while (c >= 256) {
        const Link l = table[c];
        *--p = l.suffix;
        c = l.prefix;
      }
      *--p = static_cast<uint8_t>(c);
      first = *p;
      if (nxt < lim) {
        table[nxt] = Link{static_cast<uint16_t>(prev), first};
        length[nxt] = length[prev] + 1;
        most = std::max(most, length[nxt]);
        nxt++;
      }
      prev = code;
      out = end;
    }
    acc = a;
    accBits = bits;
    phaseBits = phase;
    next = nxt;
    previous = prev;
    firstByte = first;
    longest = most;
    return static_cast<size_t>(out - dst);
  }

  int64_t put(const uint8_t* p, size_t n, uint8_t* dst, size_t room) {
    if (n <= room) {
      std::memcpy(dst, p, n);
      return static_cast<int64_t>(n);
    }
    std::memcpy(pending, p, n);
    pendingPos = 0;
    pendingLen = n;
    return 0;
  }
};

LzwInStream::LzwInStream(InStream& in) : s_(std::make_unique<State>(in)) {}
LzwInStream::~LzwInStream() = default;

int LzwInStream::maxBits() const { return s_->maxBits; }
bool LzwInStream::blockMode() const { return s_->block; }

size_t LzwInStream::read(void* buf, size_t n) {
  State& s = *s_;
  if (!s.started) {
    s.started = true;
    s.readHeader();
  }
  auto* out = static_cast<uint8_t*>(buf);
  size_t done = 0;
  while (done < n) {
    if (s.pendingPos < s.pendingLen) {
      const size_t step = std::min(n - done, s.pendingLen - s.pendingPos);
      std::memcpy(out + done, s.pending + s.pendingPos, step);
      s.pendingPos += step;
      done += step;
      continue;
    }
    if (s.finished) break;
    if (const size_t run = s.decodeRun(out + done, n - done)) {
      done += run;
      continue;
    }
    const int64_t got = s.decodeOne(out + done, n - done);
    if (got < 0) s.finished = true;
    else done += static_cast<size_t>(got);
  }
  return done;
}

uint64_t lzwDecode(InStream& in, OutStream& out, const ProgressFn& progress) {
  LzwInStream lzw(in);
  return copyStream(lzw, out, progress);
}

}  // namespace fmt::codecs
