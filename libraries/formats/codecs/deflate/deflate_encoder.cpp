#include "codecs/deflate/deflate_encoder.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "codecs/deflate/deflate_encoder_bits.h"
#include "codecs/deflate/deflate_encoder_block.h"
#include "codecs/deflate/deflate_encoder_chain_parse.h"
#include "codecs/deflate/deflate_encoder_match_finder.h"
#include "codecs/deflate/deflate_encoder_parse.h"
#include "codecs/looks_like_text.h"
#include "base/error.h"

namespace fmt::codecs {

using namespace deflate;

namespace {

// Input is parsed in pieces of this size, each with blocks of its own.
constexpr size_t kPiece = DeflateEncoder::kFrame;
// A long stream is searched this many pieces at a time, so that positions in
// the match finder stay small.
constexpr size_t kPiecesPerSpan = 1024;

struct LevelTuning {
  int depth;         // tree nodes visited per position
  int historyDepth;  // the same for entering the history
  uint32_t nice;     // a match this long is taken whole
  int passes;        // shortest-path parses (0: the lazy parse alone)
  int blockPasses;   // parses of each block under that block's own code
  int splitPoints;   // cuts tried per block when splitting (each then refined)
  int chainDepth = 0;  // > 0: the chain parse in place of all the above but splitting
  uint32_t lazy = 0;   // for it: a match this long is taken without looking further
  int finePoints = 0;  // cuts tried around the best of those (0: splitPoints)
};

constexpr LevelTuning kLevels[10] = {
    {},
    {4, 2, 24, 0, 0, 3},
    {8, 4, 32, 0, 0, 7},
    {12, 6, 48, 0, 0, 7},
    {12, 6, 64, 1, 0, 7},
    {16, 8, 96, 1, 0, 15},
    {16, 8, 128, 1, 1, 15},
    {24, 12, 128, 1, 1, 15},
    {32, 16, 128, 1, 1, 31},
    {48, 16, 128, 2, 1, 31, 0, 0, 63},
};
// Level 9 (cabinets) on programs, 10 MB of the binary corpus on one thread:
// the blocks' second parse under their own code saved 0.01% for 8% of the
// time; a finer search for each cut (63 points about the best of 31) and
// deeper trees (48 nodes, seldom reached: 4.3 nodes a position on average)
// win that back for next to nothing. The time goes to the tree walks (45%) and
// the two whole-piece parses (25%); the first parse is priced by the lazy
// parse's code, and leaving out the second costs 0.15%, as does starting from
// the previous piece's code instead, or pricing the first from samples of the
// piece (0.04% for half of it). Cheaper trees cost more than they save: 16
// nodes 0.05%, covered positions left out of the trees 0.07%.

// Pieces that look like text (codecs/looks_like_text.h) take the chain parse instead (depth, nice and lazy
// lengths in the last three). At level 9 our text corpus comes out 0.89 of the
// size of zlib's frames that start afresh, in place of 0.87 through the trees,
// in a third of the time.
constexpr LevelTuning kTextLevels[10] = {
    {},
    {0, 0, 16, 0, 0, 3, 4, 8},
    {0, 0, 32, 0, 0, 7, 8, 16},
    {0, 0, 64, 0, 0, 7, 16, 16},
    {0, 0, 64, 0, 0, 7, 16, 24},
    {0, 0, 96, 0, 0, 7, 24, 32},
    {0, 0, 128, 0, 0, 7, 32, 32},
    {0, 0, 128, 0, 0, 7, 48, 64},
    {0, 0, 258, 0, 0, 15, 64, 128},
    {0, 0, 258, 0, 0, 15, 128, 128},
};

// Blocks are cut down to kMinSplit tokens, where that saves more than kSplitGain bits.
constexpr size_t kMinSplit = 32;
constexpr uint64_t kSplitGain = 8;

uint64_t cheapestBits(const SymbolCounts& counts) {
  BlockCode code;
  Header header;
  return std::min(dynamicBlockBits(counts, code, header), fixedBlockBits(counts));
}

// x log2 x for the counts a piece can have.
struct EntropyTable {
  std::vector<float> xlog2x;
  EntropyTable() : xlog2x(kPiece + 2) {
    for (size_t x = 1; x < xlog2x.size(); ++x) xlog2x[x] = static_cast<float>(static_cast<double>(x) * std::log2(static_cast<double>(x)));
  }
};
const EntropyTable& entropyTable() {
  static const EntropyTable t;
  return t;
}

// A quick guess at a block's bits for comparing cuts: the entropy of its
// symbols and a few header bits per symbol used. The cut chosen by guesses is
// then priced exactly. The block's counts are c less `less` when given, so that
// the part after a cut needs no counts of its own.
float guessBits(const SymbolCounts& c, const SymbolCounts* less = nullptr) {
  constexpr float kHeaderBitsPerSymbol = 2.5f;
  static const SymbolCounts none;
  const SymbolCounts& o = less ? *less : none;
  const std::vector<float>& t = entropyTable().xlog2x;
  auto part = [&](const uint32_t* f, const uint32_t* g, int n) {
    uint32_t total = 0, used = 0;
    float sum = 0;
    for (int i = 0; i < n; ++i) {
      const uint32_t x = f[i] - g[i];
      total += x;
      used += x != 0;
      sum += t[x];
    }
    return t[total] - sum + kHeaderBitsPerSymbol * static_cast<float>(used);
  };
  float extra = 0;
  for (int i = 0; i < 29; ++i) extra += static_cast<float>((c.litlen[257 + i] - o.litlen[257 + i]) * kLengthExtra[i]);
  for (int i = 0; i < kDistSymbols; ++i) extra += static_cast<float>((c.dist[i] - o.dist[i]) * kDistExtra[i]);
  return part(c.litlen, o.litlen, kLitLenSymbols) + part(c.dist, o.dist, kDistSymbols) + extra;
}

struct Split {
  size_t at = 0;  // 0: no cut tried
  float guess = 0;
  SymbolCounts left;
};

// Tries cutting tokens [from, to) at `points` evenly spaced places of [lo, hi],
// keeping in `best` the cut guessed to cost least.
void trySplits(const std::vector<Token>& tokens, size_t from, size_t to, size_t lo, size_t hi, int points,
               const SymbolCounts& whole, Split& best) {
  SymbolCounts left;
  left.add(tokens.data() + from, lo - from);
  size_t done = lo;
  for (int k = 1; k <= points; ++k) {
    const size_t at = lo + (hi - lo) * k / static_cast<size_t>(points + 1);
    if (at - from < kMinSplit / 2 || to - at < kMinSplit / 2) continue;
    left.add(tokens.data() + done, at - done);
    done = at;
    const float g = guessBits(left) + guessBits(whole, &left);
    if (!best.at || g < best.guess) {
      best.guess = g;
      best.at = at;
      best.left = left;
    }
  }
}

// Cuts tokens [from, to) into blocks where separate codes cost less than one,
// appending the boundaries (token indexes where a block ends) to `ends`. The
// cut is looked for at evenly spaced points, then more finely around the best.
void splitBlocks(const std::vector<Token>& tokens, size_t from, size_t to, const SymbolCounts& whole, uint64_t wholeBits,
                 int points, int finePoints, std::vector<size_t>& ends) {
  const size_t n = to - from;
  if (n >= 2 * kMinSplit) {
    Split best;
    trySplits(tokens, from, to, from, to, points, whole, best);
    if (best.at) {
      const size_t step = n / static_cast<size_t>(points + 1);
      trySplits(tokens, from, to, std::max(from, best.at - step), std::min(to, best.at + step), finePoints, whole,
                best);
      SymbolCounts right = whole;
      right.subtract(best.left);
      const uint64_t l = cheapestBits(best.left), r = cheapestBits(right);
      if (l + r + kSplitGain < wholeBits) {
        const size_t at = best.at;
        const SymbolCounts left = best.left;
        splitBlocks(tokens, from, at, left, l, points, finePoints, ends);
        splitBlocks(tokens, at, to, right, r, points, finePoints, ends);
        return;
      }
    }
  }
  ends.push_back(to);
}

void codeOf(const Token* t, size_t n, BlockCode& code) {
  SymbolCounts counts;
  counts.add(t, n);
  counts.litlen[kEndOfBlock] = 1;
  buildCode(counts, code);
}

size_t bytesOf(const Token* t, size_t n) {
  size_t bytes = 0;
  for (size_t i = 0; i < n; ++i) bytes += t[i].dist ? t[i].len : 1;
  return bytes;
}

}  // namespace

struct DeflateEncoder::State {
  explicit State(int level)
      : general(kLevels[level]),
        text(kTextLevels[level]),
        tuning(&general),
        finder(general.depth, general.historyDepth, general.nice),
        chain(text.chainDepth, text.nice, text.lazy) {}
  const LevelTuning& general;
  const LevelTuning& text;
  const LevelTuning* tuning;  // the current piece's
  MatchFinder finder;
  ChainParser chain;
  std::vector<Match> matches;
  std::vector<uint32_t> first;
  std::vector<PathNode> nodes;
  std::vector<Token> tokens, part, again;
  std::vector<size_t> ends, againEnds;

  // Pieces of the span base[0, size): from `start` on, each to its own writer.
  template <typename WriterFor>
  void encodeSpan(const uint8_t* base, size_t start, size_t size, WriterFor writerFor);
  void parse(const uint8_t* in, size_t n, size_t offset);
  void splitAll();  // blocks for the tokens, into `ends`
  void write(BitWriter& bw, const uint8_t* in, size_t n, bool final);
};

// Leaves in `tokens` the parse of in[0, n) and in `ends` its blocks; the
// piece's matches start at `offset` in the finder's lists.
void DeflateEncoder::State::parse(const uint8_t* in, size_t n, size_t offset) {
  const MatchList list{matches, first, offset};
  parseLazy(in, n, list, tokens);
  BlockCode code;
  Prices prices;
  for (int pass = 0; pass < tuning->passes; ++pass) {
    codeOf(tokens.data(), tokens.size(), code);
    prices.set(code);
    parseOptimal(in, n, list, prices, tuning->nice, nodes, tokens);
  }
  splitAll();
  // Each block parsed once more under its own code (the blocks keep their
  // input ranges), then split anew.
  for (int round = 0; round < tuning->blockPasses && ends.size() > 1; ++round) {
    again.clear();
    againEnds.clear();
    size_t t0 = 0, byte0 = 0;
    for (size_t end : ends) {
      const size_t bytes = bytesOf(tokens.data() + t0, end - t0);
      codeOf(tokens.data() + t0, end - t0, code);
      prices.set(code);
      parseOptimal(in + byte0, bytes, MatchList{matches, first, offset + byte0}, prices, tuning->nice, nodes, part);
      again.insert(again.end(), part.begin(), part.end());
      againEnds.push_back(again.size());
      t0 = end;
      byte0 += bytes;
    }
    tokens.swap(again);
    if (round + 1 < tuning->blockPasses) splitAll();
    else ends.swap(againEnds);
  }
}

void DeflateEncoder::State::splitAll() {
  SymbolCounts counts;
  counts.add(tokens.data(), tokens.size());
  ends.clear();
  splitBlocks(tokens, 0, tokens.size(), counts, cheapestBits(counts), tuning->splitPoints,
              tuning->finePoints ? tuning->finePoints : tuning->splitPoints, ends);
}

void DeflateEncoder::State::write(BitWriter& bw, const uint8_t* in, size_t n, bool final) {
  // Whatever the blocks would cost, one stored block bounds the piece: as a
  // single block, writeBlock picks stored when it is the cheapest.
  uint64_t planned = 0;
  const uint64_t at = bw.bitCount();
  size_t t0 = 0;
  for (size_t end : ends) {
    SymbolCounts counts;
    counts.add(tokens.data() + t0, end - t0);
    const size_t bytes = bytesOf(tokens.data() + t0, end - t0);
    planned += std::min(cheapestBits(counts), storedBlockBits(bytes, at + planned));
    t0 = end;
  }
  if (planned >= storedBlockBits(n, at)) ends.assign(1, tokens.size());
  t0 = 0;
  size_t byte0 = 0;
  for (size_t i = 0; i < ends.size(); ++i) {
    const size_t end = ends[i];
    const size_t bytes = bytesOf(tokens.data() + t0, end - t0);
    writeBlock(bw, tokens.data() + t0, end - t0, in + byte0, bytes, final && i + 1 == ends.size());
    t0 = end;
    byte0 += bytes;
  }
}

template <typename WriterFor>
void DeflateEncoder::State::encodeSpan(const uint8_t* base, size_t start, size_t size, WriterFor writerFor) {
  finder.reset(base, size);
  chain.reset(base, size);
  for (size_t pos = start; pos < size; pos += kPiece) {
    const size_t len = std::min(kPiece, size - pos);
    tuning = looksLikeText(base + pos, len) ? &text : &general;
    if (tuning->chainDepth) {
      chain.setLimits(tuning->chainDepth, tuning->nice, tuning->lazy);
      chain.parse(pos, pos + len, tokens);
      splitAll();
    } else {
      finder.setLimits(tuning->depth, tuning->historyDepth, tuning->nice);
      finder.findAll(pos, pos + len, matches, first);
      parse(base + pos, len, 0);
    }
    auto [bw, final] = writerFor(pos, len);
    write(*bw, base + pos, len, final);
  }
}

DeflateEncoder::DeflateEncoder(int level) {
  if (level < 1 || level > 9) fail(ErrorKind::Usage, "deflate level must be 1 to 9");
  s_ = std::make_unique<State>(level);
}

DeflateEncoder::~DeflateEncoder() = default;

void DeflateEncoder::encode(const uint8_t* in, size_t historySize, size_t n, std::vector<uint8_t>& out) {
  BitWriter bw(out);
  if (n == 0) {
    // A final fixed block holding only its end: three bits and seven zero ones.
    bw.put(1, 1);
    bw.put(1, 2);
    bw.put(0, 7);
  }
  for (size_t done = 0; done < n; done += kPiece * kPiecesPerSpan) {
    const size_t len = std::min(kPiece * kPiecesPerSpan, n - done);
    const size_t h = std::min<size_t>(kWindow, historySize + done);
    s_->encodeSpan(in + done - h, h, h + len, [&](size_t pos, size_t plen) {
      return std::make_pair(&bw, done + pos - h + plen == n);
    });
  }
  bw.alignToByte();
}

void DeflateEncoder::encodeFrames(const uint8_t* in, size_t historySize, size_t n,
                                  std::vector<std::vector<uint8_t>>& streams) {
  const size_t frames = (n + kFrame - 1) / kFrame;
  streams.resize(std::max(streams.size(), frames));
  for (size_t done = 0; done < n; done += kFrame * kPiecesPerSpan) {
    const size_t len = std::min(kFrame * kPiecesPerSpan, n - done);
    const size_t h = std::min<size_t>(kWindow, historySize + done);
    std::unique_ptr<BitWriter> bw;
    s_->encodeSpan(in + done - h, h, h + len, [&](size_t pos, size_t) {
      if (bw) bw->alignToByte();
      bw = std::make_unique<BitWriter>(streams[(done + pos - h) / kFrame]);
      return std::make_pair(bw.get(), true);
    });
    if (bw) bw->alignToByte();
  }
}

}  // namespace fmt::codecs
