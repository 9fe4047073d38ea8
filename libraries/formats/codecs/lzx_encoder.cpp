// LZX encoding: each frame becomes one block, verbatim, aligned-offset or
// uncompressed, whichever is smallest, after a cost-driven parse that is
// repeated with the trees it produced.
#include <algorithm>
#include <cstring>

#include "codecs/lzx.h"
#include "codecs/lzx_encoder_parts.h"
#include "core/error.h"

namespace fmt::codecs {

using namespace lzx;

namespace {
constexpr int kChainDepth = 32;
constexpr int kNiceLength = 96;
constexpr int kParsePasses = 2;
}  // namespace

struct LzxEncoder::State {
  int windowBits;
  int mainSymbols;
  MatchFinder finder;
  bool started = false;  // the stream header went out with the first frame
  bool shortFrameSeen = false;
  uint32_t r[3] = {1, 1, 1};
  CodeLengths previous;     // what the decoder holds
  bool havePrevious = false;  // `previous` came from a real parse
  std::vector<Match> matches;
  std::vector<uint32_t> first;
  std::vector<Token> tokens;

  explicit State(int bits)
      : windowBits(bits), mainSymbols(kNumChars + 8 * positionSlots(bits)), finder(bits, kChainDepth, kNiceLength) {}

  void reset() {
    finder.reset();
    started = false;
    shortFrameSeen = false;
    std::fill(r, r + 3, 1u);
    previous = CodeLengths{};
    havePrevious = false;
  }
};

LzxEncoder::LzxEncoder(int windowBits) {
  if (windowBits < kLzxMinWindowBits || windowBits > kLzxMaxWindowBits)
    fail(ErrorKind::Usage, "LZX: window bits must be 15..21");
  s_ = std::make_unique<State>(windowBits);
}

LzxEncoder::~LzxEncoder() = default;

void LzxEncoder::reset() { s_->reset(); }

void LzxEncoder::encodeFrame(const uint8_t* in, size_t n, std::vector<uint8_t>& out) {
  State& s = *s_;
  if (n > kLzxFrameSize) fail(ErrorKind::Usage, "LZX: a frame holds at most 32768 bytes");
  if (n == 0) return;
  if (s.shortFrameSeen) fail(ErrorKind::Usage, "LZX: only the last frame of a folder may be short");
  if (n < kLzxFrameSize) s.shortFrameSeen = true;

  size_t start = s.finder.append(in, n);
  s.finder.findAll(start, start + n, s.matches, s.first);

  Prices prices;
  if (s.havePrevious)
    prices.set(s.previous, s.mainSymbols);
  else
    prices.setFlat(s.mainSymbols);
  CodeLengths lengths;
  uint32_t r[3];
  for (int pass = 0; pass < kParsePasses; ++pass) {
    std::copy(s.r, s.r + 3, r);
    parseFrame(s.finder, start, n, s.matches, s.first, prices, kNiceLength, r, s.tokens);
    chooseLengths(s.tokens, s.mainSymbols, lengths);
    prices.set(lengths, s.mainSymbols);
  }

  std::vector<uint8_t> frame;
  frame.reserve(n + 64);
  {
    BitWriter w(frame);
    if (!s.started) w.put(0, 1);  // no E8 call translation
    writeCompressedBlock(w, n, s.tokens, lengths, s.previous, s.mainSymbols);
    w.flush();
  }
  const size_t rawSize = n + (n & 1) + 16;
  if (frame.size() > rawSize) {
    frame.clear();
    BitWriter w(frame);
    if (!s.started) w.put(0, 1);
    writeUncompressedBlock(w, in, n, s.r);
    // Repeated offsets and the decoder's lengths stay as they were.
  } else {
    std::copy(r, r + 3, s.r);
    s.previous = lengths;
    s.havePrevious = true;
  }
  s.started = true;
  out.insert(out.end(), frame.begin(), frame.end());
}

}  // namespace fmt::codecs
