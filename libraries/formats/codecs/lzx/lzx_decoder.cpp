// LZX decoding, one CFDATA frame at a time.
#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/lzx/lzx.h"
#include "codecs/lzx/lzx_bits.h"
#include "codecs/lzx/lzx_calls.h"
#include "codecs/lzx/lzx_format.h"
#include "codecs/lzx/lzx_huffman.h"
#include "base/error.h"

namespace fmt::codecs {

using namespace lzx;

namespace {
constexpr int kMainTableBits = 12;
constexpr int kLengthTableBits = 10;
constexpr int kAlignedTableBits = 7;
constexpr int kPretreeTableBits = 8;

[[noreturn]] void corrupt(const char* what) { fail(ErrorKind::Corrupt, std::string("LZX: ") + what); }
}  // namespace

struct LzxDecoder::State {
  int windowBits;
  uint32_t windowSize;
  int mainSymbols;
  std::vector<uint8_t> window;
  uint32_t windowPos = 0;
  uint64_t totalOut = 0;  // bytes of the folder decoded so far
  bool headerRead = false;
  int32_t e8Size = 0;
  uint32_t r[3] = {1, 1, 1};

  int blockType = 0;
  uint32_t blockRemaining = 0;
  bool blockOdd = false;   // uncompressed block of odd length: a pad byte follows it
  bool padPending = false; // that pad byte is still to be skipped

  uint8_t mainLengths[kMaxMainSymbols] = {};
  uint8_t lengthLengths[kLengthSymbols] = {};
  uint8_t alignedLengths[kAlignedSymbols] = {};
  HuffmanDecoder mainTree, lengthTree, alignedTree, pretree;

  BitReader br;
  const uint8_t* in = nullptr;
  size_t inSize = 0;
  size_t bytePos = 0;  // input position while inside an uncompressed block
  bool byteMode = false;

  explicit State(int bits)
      : windowBits(bits),
        windowSize(1u << bits),
        mainSymbols(kNumChars + 8 * positionSlots(bits)),
        window(windowSize) {}

  void readLengths(uint8_t* lengths, int from, int to);
  void readBlockHeader();
  void decodeCompressed(uint32_t run);
  void copyUncompressed(uint32_t run);
  void decodeFrame(uint8_t* out, size_t outSize);
};

LzxDecoder::LzxDecoder(int windowBits) {
  if (windowBits < kLzxMinWindowBits || windowBits > kLzxMaxWindowBits)
    fail(ErrorKind::Usage, "LZX: window bits must be 15..21");
  s_ = std::make_unique<State>(windowBits);
}

LzxDecoder::~LzxDecoder() = default;

void LzxDecoder::reset() { s_ = std::make_unique<State>(s_->windowBits); }

// Pretree-coded lengths for symbols from..to-1, each coded as a change from
// the previous block's length.
void LzxDecoder::State::readLengths(uint8_t* lengths, int from, int to) {
  uint8_t pre[kPretreeSymbols];
  br.refill();
  for (int i = 0; i < kPretreeSymbols; ++i) pre[i] = static_cast<uint8_t>(br.read(4));
  pretree.build(pre, kPretreeSymbols, kPretreeTableBits);
  int i = from;
  while (i < to) {
    br.refill();
    int code = pretree.decode(br);
    int run;
    uint8_t value;
    if (code == 17) {
      run = 4 + static_cast<int>(br.read(4));
      value = 0;
    } else if (code == 18) {
      run = 20 + static_cast<int>(br.read(5));
      value = 0;
    } else if (code == 19) {
      run = 4 + static_cast<int>(br.read(1));
      int delta = pretree.decode(br);
      if (delta > 16) corrupt("bad pretree run");
      value = static_cast<uint8_t>((lengths[i] + 17 - delta) % 17);
    } else {
      run = 1;
      value = static_cast<uint8_t>((lengths[i] + 17 - code) % 17);
    }
    // A run past the end of the range is cut there, as other decoders do.
    run = std::min(run, to - i);
    std::fill(lengths + i, lengths + i + run, value);
    i += run;
  }
}

void LzxDecoder::State::readBlockHeader() {
  if (padPending) {
    bytePos++;
    padPending = false;
  }
  if (byteMode) {
    br.start(in, inSize, bytePos);
    byteMode = false;
  }
  br.refill();
  blockType = static_cast<int>(br.read(3));
  uint32_t size = br.read(16) << 8;
  size |= br.read(8);
  if (size == 0) corrupt("empty block");
  blockRemaining = size;

  switch (blockType) {
    case kAligned:
      for (int i = 0; i < kAlignedSymbols; ++i) alignedLengths[i] = static_cast<uint8_t>(br.read(3));
      alignedTree.build(alignedLengths, kAlignedSymbols, kAlignedTableBits);
      [[fallthrough]];
    case kVerbatim:
      readLengths(mainLengths, 0, kNumChars);
      readLengths(mainLengths, kNumChars, mainSymbols);
      mainTree.build(mainLengths, mainSymbols, kMainTableBits);
      readLengths(lengthLengths, 0, kLengthSymbols);
      lengthTree.build(lengthLengths, kLengthSymbols, kLengthTableBits);
      if (br.overrun()) fail(ErrorKind::Truncated, "LZX: block header past the end of the data");
      break;
    case kUncompressed: {
      bytePos = br.alignToBytes();
      if (bytePos + 12 > inSize) fail(ErrorKind::Truncated, "LZX: uncompressed block header cut short");
      for (int k = 0; k < 3; ++k) {
        const uint8_t* p = in + bytePos + 4 * k;
        r[k] = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
      }
      bytePos += 12;
      byteMode = true;
      blockOdd = size & 1;
      break;
    }
    default:
      corrupt("invalid block type");
  }
}

void LzxDecoder::State::copyUncompressed(uint32_t run) {
  if (bytePos > inSize || inSize - bytePos < run) fail(ErrorKind::Truncated, "LZX: uncompressed block cut short");
  std::memcpy(&window[windowPos], in + bytePos, run);
  bytePos += run;
  windowPos += run;
  totalOut += run;
  blockRemaining -= run;
  if (blockRemaining == 0 && blockOdd) {
    // The pad byte normally follows in the same frame; if the frame ended
    // exactly here it leads the next one.
    if (bytePos < inSize)
      bytePos++;
    else
      padPending = true;
  }
}

// Decodes `run` bytes of the current verbatim or aligned block into the window.
// Frames never wrap inside the window (both are multiples of 32768), so the
// run is contiguous there; match sources may wrap.
void LzxDecoder::State::decodeCompressed(uint32_t run) {
  const SlotTables& slots = slotTables();
  const bool aligned = blockType == kAligned;
  uint8_t* win = window.data();
  const uint32_t mask = windowSize - 1;
  uint32_t pos = windowPos;
  const uint32_t end = pos + run;
  uint64_t produced = totalOut;  // folder bytes before pos
  const uint32_t base = windowPos;
  uint32_t r0 = r[0], r1 = r[1], r2 = r[2];

  while (pos < end) {
    br.refill();
    int sym = mainTree.decode(br);
    if (sym < kNumChars) {
      win[pos++] = static_cast<uint8_t>(sym);
      continue;
    }
    sym -= kNumChars;
    uint32_t len = sym & 7;
    uint32_t slot = static_cast<uint32_t>(sym) >> 3;
    if (len == kPrimaryLengths) len += lengthTree.decode(br);
    len += kMinMatch;

    uint32_t dist;
    if (slot == 0) {
      dist = r0;
    } else if (slot == 1) {
      dist = r1;
      r1 = r0;
      r0 = dist;
    } else if (slot == 2) {
      dist = r2;
      r2 = r0;
      r0 = dist;
    } else {
      int extra = slots.extra[slot];
      uint32_t off = slots.base[slot];
      br.refill();
      if (aligned && extra >= 3) {
        off += br.read(extra - 3) << 3;
        off += static_cast<uint32_t>(alignedTree.decode(br));
      } else {
        off += br.read(extra);
      }
      dist = off - 2;
      r2 = r1;
      r1 = r0;
      r0 = dist;
    }

    if (len > end - pos) corrupt("match runs past the end of its block or frame");
    uint64_t avail = produced + (pos - base);
    if (dist == 0 || dist > avail || dist > windowSize) corrupt("match distance beyond the data decoded so far");
    uint32_t src = (pos - dist) & mask;
    if (src + len <= windowSize && dist >= len) {
      std::memcpy(win + pos, win + src, len);
      pos += len;
    } else {
      for (uint32_t k = 0; k < len; ++k) win[pos++] = win[(src + k) & mask];
    }
  }
  r[0] = r0;
  r[1] = r1;
  r[2] = r2;
  blockRemaining -= run;
  totalOut += run;
  windowPos = end;
}

void LzxDecoder::State::decodeFrame(uint8_t* out, size_t outSize) {
  in = inSize ? in : reinterpret_cast<const uint8_t*>("");
  bytePos = 0;
  br.start(in, inSize);
  if (!headerRead) {
    br.refill();
    if (br.read(1)) {
      uint32_t hi = br.read(16);
      e8Size = static_cast<int32_t>(hi << 16 | br.read(16));
    }
    headerRead = true;
  }

  const uint32_t frameStart = windowPos;
  const uint32_t frameEnd = frameStart + static_cast<uint32_t>(outSize);
  while (windowPos < frameEnd) {
    if (blockRemaining == 0) readBlockHeader();
    uint32_t run = std::min(blockRemaining, frameEnd - windowPos);
    if (blockType == kUncompressed)
      copyUncompressed(run);
    else
      decodeCompressed(run);
  }
  if (!byteMode && br.overrun()) fail(ErrorKind::Truncated, "LZX: frame data ends early");

  std::memcpy(out, &window[frameStart], outSize);
  if (windowPos == windowSize) windowPos = 0;
  untranslateCalls(out, outSize, totalOut - outSize, e8Size);
}

void LzxDecoder::decodeBlock(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
  if (outSize > kLzxFrameSize) fail(ErrorKind::Usage, "LZX: a frame holds at most 32768 bytes");
  if (outSize == 0) return;
  // Only the last frame of a folder may be short, so a short one must not be
  // followed by another: it would leave the window misaligned.
  if (s_->windowPos % kLzxFrameSize != 0) fail(ErrorKind::Corrupt, "LZX: frame after a short frame");
  s_->in = in;
  s_->inSize = inSize;
  s_->decodeFrame(out, outSize);
}

}  // namespace fmt::codecs
