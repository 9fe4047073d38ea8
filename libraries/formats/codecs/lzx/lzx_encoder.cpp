// LZX encoding. Each frame is parsed on its own (a cost-driven parse priced by
// the open block's trees, or else the last frame's); consecutive frames then
// share one verbatim or aligned-offset block while that costs less than new
// trees, and a frame that does not compress becomes an uncompressed block.
// While a frame is parsed, a second thread searches the near trees of the
// next ones.
#include <algorithm>
#include <cstring>

#include "codecs/lzx/lzx.h"
#include "codecs/lzx/lzx_calls.h"
#include "codecs/lzx/lzx_encoder_parts.h"
#include "codecs/lzx/lzx_near_ahead.h"
#include "base/error.h"

namespace fmt::codecs {

using namespace lzx;

namespace {
// With the far table, one parse and these limits keep our corpora within 1%
// of two parses over trees searched 64 deep to 96 across the whole window
// (programs 0.8% larger, text 0.2% smaller, blocks spanning frames counted),
// in 0.5 to 0.6 of the CPU time. On programs the two threads are about even
// (near trees on one; far table and parse on the other), so both must shrink
// for speed: the far table's tags, searching only positions no nice match
// covers, and a branch-free parse took 9% of the CPU time off programs and
// 15-17% off text and mixed data (best of three, shared machine), within 0.1%
// in size. Neither 12 deep nor covered positions entered 8 or 4 deep, nor
// fetching both children of each tree node, measured faster; four far ways
// in place of eight cost 0.2-0.3% on programs.
constexpr int kSearchDepth = 16;
constexpr int kNiceLength = 64;
constexpr int kParsePasses = 1;

// What an uncompressed block of n bytes takes: header, padding, offsets, pad byte.
size_t rawBlockBytes(size_t n) { return n + (n & 1) + 16; }

struct ParsedFrame {
  const uint8_t* in;  // the input, or `translated` when calls are translated
  size_t n;
  size_t start;  // in the match finder's data
  std::vector<uint8_t> translated;
  bool raw;
  uint32_t rBefore[3];
  std::vector<Token> tokens;
  SymbolCounts counts;
  CodeLengths own;  // the lengths this frame would choose alone
};
}  // namespace

struct LzxEncoder::State {
  int windowBits;
  int mainSymbols;
  int32_t callTranslation;
  uint64_t folderBytes = 0;
  MatchFinder finder;
  bool started = false;  // the stream header went out with the first frame
  bool shortFrameSeen = false;
  uint32_t r[3] = {1, 1, 1};
  CodeLengths previous;       // the lengths the decoder holds
  CodeLengths priceLengths;   // the last compressed frame's own lengths
  bool havePrices = false;
  unsigned threads = 0;
  std::vector<Match> matches, near, far;
  std::vector<uint32_t> first, nearFirst;
  ParseScratch scratch;

  State(int bits, int32_t translation)
      : windowBits(bits),
        mainSymbols(kNumChars + 8 * positionSlots(bits)),
        callTranslation(translation),
        finder(bits, kSearchDepth, kNiceLength) {}

  void reset() {
    finder.reset();
    started = false;
    shortFrameSeen = false;
    folderBytes = 0;
    std::fill(r, r + 3, 1u);
    previous = CodeLengths{};
    havePrices = false;
  }

  void startStream(BitWriter& w);
  void prepare(ParsedFrame& f);
  void parse(ParsedFrame& f, const CodeLengths& treeBase, const CodeLengths* priceBase);
  void emitRaw(const ParsedFrame& f, std::vector<std::vector<uint8_t>>& out);
  void emitBlock(const std::vector<ParsedFrame*>& group, const CodeLengths& lengths,
                 std::vector<std::vector<uint8_t>>& out);
  void emitGroup(const std::vector<ParsedFrame*>& group, const CodeLengths& lengths,
                 std::vector<std::vector<uint8_t>>& out);
};

LzxEncoder::LzxEncoder(int windowBits, int32_t callTranslationSize) {
  if (windowBits < kLzxMinWindowBits || windowBits > kLzxMaxWindowBits)
    fail(ErrorKind::Usage, "LZX: window bits must be 15..21");
  if (callTranslationSize < 0) fail(ErrorKind::Usage, "LZX: negative call translation size");
  s_ = std::make_unique<State>(windowBits, callTranslationSize);
}

// The stream header leads the first block of a folder: the translation flag,
// and the size when it is set.
void LzxEncoder::State::startStream(BitWriter& w) {
  if (started) return;
  started = true;
  w.put(callTranslation ? 1 : 0, 1);
  if (callTranslation) {
    w.put(static_cast<uint32_t>(callTranslation) >> 16, 16);
    w.put(static_cast<uint32_t>(callTranslation) & 0xFFFF, 16);
  }
}

LzxEncoder::~LzxEncoder() = default;

void LzxEncoder::reset() { s_->reset(); }

void LzxEncoder::setThreads(unsigned threads) { s_->threads = threads; }

// Translates the frame's calls if asked and appends it to the history.
void LzxEncoder::State::prepare(ParsedFrame& f) {
  if (callTranslation) {
    f.translated.assign(f.in, f.in + f.n);
    translateCalls(f.translated.data(), f.n, folderBytes, callTranslation);
    f.in = f.translated.data();
  }
  folderBytes += f.n;
  f.start = finder.append(f.in, f.n);
}

// Parses the frame (its matches in `matches`), priced by `priceBase` (the open
// block's lengths, which the frame will likely share) or else the last
// frame's own; decides whether it stays uncompressed (estimating its block
// against trees the decoder would hold: `treeBase`), and moves the repeated
// offsets on.
void LzxEncoder::State::parse(ParsedFrame& f, const CodeLengths& treeBase, const CodeLengths* priceBase) {
  const size_t start = f.start;
  Prices prices;
  if (priceBase)
    prices.set(*priceBase, mainSymbols);
  else if (havePrices)
    prices.set(priceLengths, mainSymbols);
  else
    prices.setFlat(mainSymbols);
  std::copy(r, r + 3, f.rBefore);
  uint32_t rAfter[3];
  for (int pass = 0; pass < kParsePasses; ++pass) {
    std::copy(r, r + 3, rAfter);
    parseFrame(finder, start, f.n, matches, first, prices, kNiceLength, rAfter, scratch, f.tokens);
    chooseLengths(f.tokens, mainSymbols, f.own);
    prices.set(f.own, mainSymbols);
  }
  f.counts.add(f.tokens);
  uint64_t bits = 3 + 24 + symbolBits(f.counts, f.own, mainSymbols) + treeBits(treeBase, f.own, mainSymbols);
  for (const Token& t : f.tokens) bits += t.footerBits;
  f.raw = bits / 8 + 2 > rawBlockBytes(f.n);
  if (!f.raw) {
    std::copy(rAfter, rAfter + 3, r);
    priceLengths = f.own;
    havePrices = true;
  }
}

void LzxEncoder::State::emitRaw(const ParsedFrame& f, std::vector<std::vector<uint8_t>>& out) {
  std::vector<uint8_t> buf;
  BitWriter w(buf);
  startStream(w);
  // The block restores the repeated offsets the frame began with; the
  // decoder's tree lengths stay as they were.
  writeUncompressedBlock(w, f.in, f.n, f.rBefore);
  out.push_back(std::move(buf));
}

// One block over the group's frames, cut at each frame's end.
void LzxEncoder::State::emitBlock(const std::vector<ParsedFrame*>& group, const CodeLengths& lengths,
                                  std::vector<std::vector<uint8_t>>& out) {
  std::vector<Token> tokens;
  std::vector<size_t> cuts;
  size_t total = 0;
  for (const ParsedFrame* f : group) {
    tokens.insert(tokens.end(), f->tokens.begin(), f->tokens.end());
    cuts.push_back(tokens.size());
    total += f->n;
  }
  std::vector<uint8_t> buf;
  BitWriter w(buf);
  startStream(w);
  writeCompressedBlock(w, total, tokens, lengths, previous, mainSymbols, cuts, [&](size_t) {
    w.flush();
    out.push_back(std::move(buf));
    buf.clear();
  });
  previous = lengths;
}

void LzxEncoder::State::emitGroup(const std::vector<ParsedFrame*>& group, const CodeLengths& lengths,
                                  std::vector<std::vector<uint8_t>>& out) {
  if (group.empty()) return;
  const size_t mark = out.size();
  const bool wasStarted = started;
  const CodeLengths held = previous;
  emitBlock(group, lengths, out);
  bool fits = true;
  for (size_t k = 0; k < group.size(); ++k) fits = fits && out[mark + k].size() <= maxFrameBytes(group[k]->n);
  if (fits || group.size() == 1) return;
  // Shared trees that suit one frame badly could overflow its CFDATA block:
  // give every frame its own.
  out.resize(mark);
  started = wasStarted;
  previous = held;
  for (ParsedFrame* f : group) emitBlock({f}, f->own, out);
}

void LzxEncoder::encodeFrames(const uint8_t* in, size_t n, std::vector<std::vector<uint8_t>>& frames) {
  State& s = *s_;
  if (n == 0) return;
  if (s.shortFrameSeen) fail(ErrorKind::Usage, "LZX: only the last frame of a folder may be short");
  std::vector<ParsedFrame> parsed((n + kLzxFrameSize - 1) / kLzxFrameSize);
  for (size_t k = 0; k < parsed.size(); ++k) {
    parsed[k].in = in + k * kLzxFrameSize;
    parsed[k].n = std::min(kLzxFrameSize, n - k * kLzxFrameSize);
  }
  if (parsed.back().n < kLzxFrameSize) s.shortFrameSeen = true;

  // Frames join the open block while one block costs less than two.
  std::vector<ParsedFrame*> group;
  SymbolCounts groupCounts;
  CodeLengths groupLengths;
  uint64_t groupBits = 0;
  auto step = [&](ParsedFrame& f) {
    s.parse(f, group.empty() ? s.previous : groupLengths, group.empty() ? nullptr : &groupLengths);
    if (f.raw) {
      s.emitGroup(group, groupLengths, frames);
      group.clear();
      s.emitRaw(f, frames);
      return;
    }
    const uint64_t alone = symbolBits(f.counts, f.own, s.mainSymbols);
    if (!group.empty()) {
      SymbolCounts merged = groupCounts;
      merged.add(f.counts);
      CodeLengths mergedLengths;
      chooseLengths(merged, s.mainSymbols, mergedLengths);
      uint64_t together = symbolBits(merged, mergedLengths, s.mainSymbols) +
                          treeBits(s.previous, mergedLengths, s.mainSymbols);
      uint64_t apart = groupBits + alone + treeBits(groupLengths, f.own, s.mainSymbols);
      if (together <= apart) {
        group.push_back(&f);
        groupCounts = merged;
        groupLengths = mergedLengths;
        groupBits = together;
        return;
      }
      s.emitGroup(group, groupLengths, frames);
      group.clear();
    }
    group.push_back(&f);
    groupCounts = f.counts;
    groupLengths = f.own;
    groupBits = alone + treeBits(s.previous, f.own, s.mainSymbols);
  };

  // Frames are appended a run at a time, so that their bytes stay put while
  // the second thread searches.
  const size_t runFrames = std::max<size_t>(1, s.finder.maxRun() / kLzxFrameSize);
  for (size_t r0 = 0; r0 < parsed.size(); r0 += runFrames) {
    const size_t r1 = std::min(parsed.size(), r0 + runFrames);
    size_t bytes = 0;
    for (size_t k = r0; k < r1; ++k) bytes += parsed[k].n;
    s.finder.makeRoom(bytes);
    std::vector<std::pair<size_t, size_t>> ranges;
    for (size_t k = r0; k < r1; ++k) {
      s.prepare(parsed[k]);
      ranges.emplace_back(parsed[k].start, parsed[k].start + parsed[k].n);
    }
    std::unique_ptr<NearAhead> ahead;
    if (s.threads != 1 && ranges.size() > 1) ahead = std::make_unique<NearAhead>(s.finder, ranges);
    for (size_t k = r0; k < r1; ++k) {
      const auto [from, to] = ranges[k - r0];
      if (ahead) {
        ahead->take(k - r0, s.near, s.nearFirst);
        s.finder.findFar(from, to, s.near, s.nearFirst, s.far);
        MatchFinder::merge(s.near, s.nearFirst, s.far, s.matches, s.first);
      } else {
        s.finder.findAll(from, to, s.matches, s.first);
      }
      step(parsed[k]);
    }
  }
  s.emitGroup(group, groupLengths, frames);
}

void LzxEncoder::encodeFrame(const uint8_t* in, size_t n, std::vector<uint8_t>& out) {
  if (n > kLzxFrameSize) fail(ErrorKind::Usage, "LZX: a frame holds at most 32768 bytes");
  std::vector<std::vector<uint8_t>> frames;
  encodeFrames(in, n, frames);
  if (!frames.empty()) out.insert(out.end(), frames[0].begin(), frames[0].end());
}

}  // namespace fmt::codecs
