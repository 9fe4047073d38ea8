#include "codecs/deflate_encoder.h"

#include <algorithm>

#include "codecs/deflate_encoder_bits.h"
#include "codecs/deflate_encoder_block.h"
#include "codecs/deflate_encoder_match_finder.h"
#include "codecs/deflate_encoder_parse.h"
#include "core/error.h"

namespace fmt::codecs {

using namespace deflate;

namespace {

// Input is encoded in pieces of this size, each searched with the window before it.
constexpr size_t kPiece = 32768;

struct LevelTuning {
  int depth;         // tree nodes visited per position
  int historyDepth;  // the same for entering the history
  uint32_t nice;     // a match this long is taken whole
  int passes;        // shortest-path parses (0: the lazy parse alone)
  bool perBlock;     // a last parse of each block under that block's own code
};

constexpr LevelTuning kLevels[10] = {
    {},
    {4, 2, 24, 0, false},
    {8, 4, 32, 0, false},
    {12, 6, 48, 0, false},
    {12, 6, 64, 1, false},
    {16, 8, 96, 1, false},
    {24, 12, 128, 1, false},
    {32, 16, 192, 2, false},
    {48, 24, 258, 2, true},
    {64, 32, 258, 2, true},
};

// Splitting a block is tried at this many evenly spaced points, down to
// blocks of kMinSplit tokens, and kept when it saves more than kSplitGain bits.
constexpr int kSplitPoints = 15;
constexpr size_t kMinSplit = 512;
constexpr uint64_t kSplitGain = 64;

uint64_t cheapestBits(const SymbolCounts& counts) {
  BlockCode code;
  Header header;
  return std::min(dynamicBlockBits(counts, code, header), fixedBlockBits(counts));
}

// Cuts tokens [from, to) into blocks where separate codes cost less than one,
// appending the boundaries (token indexes where a block ends) to `ends`.
void splitBlocks(const std::vector<Token>& tokens, size_t from, size_t to, const SymbolCounts& whole, uint64_t wholeBits,
                 std::vector<size_t>& ends) {
  const size_t n = to - from;
  if (n >= 2 * kMinSplit) {
    SymbolCounts left;
    size_t done = from, bestAt = 0;
    uint64_t best = wholeBits;
    SymbolCounts bestLeft;
    uint64_t bestLeftBits = 0, bestRightBits = 0;
    for (int k = 1; k <= kSplitPoints; ++k) {
      const size_t at = from + n * k / (kSplitPoints + 1);
      if (at - from < kMinSplit / 2 || to - at < kMinSplit / 2) continue;
      left.add(tokens.data() + done, at - done);
      done = at;
      SymbolCounts right = whole;
      right.subtract(left);
      const uint64_t l = cheapestBits(left), r = cheapestBits(right);
      if (l + r + kSplitGain < best) {
        best = l + r + kSplitGain;
        bestAt = at;
        bestLeft = left;
        bestLeftBits = l;
        bestRightBits = r;
      }
    }
    if (bestAt) {
      SymbolCounts right = whole;
      right.subtract(bestLeft);
      splitBlocks(tokens, from, bestAt, bestLeft, bestLeftBits, ends);
      splitBlocks(tokens, bestAt, to, right, bestRightBits, ends);
      return;
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

}  // namespace

struct DeflateEncoder::State {
  explicit State(const LevelTuning& t) : tuning(t), finder(t.depth, t.historyDepth, t.nice) {}
  LevelTuning tuning;
  MatchFinder finder;
  std::vector<Match> matches;
  std::vector<uint32_t> first;
  std::vector<PathNode> nodes;
  std::vector<Token> tokens, part;
  std::vector<size_t> ends;

  void parse(const uint8_t* in, size_t n);
  void write(BitWriter& bw, const uint8_t* in, size_t n, bool final);
};

// Leaves in `tokens` the parse of in[0, n) and in `ends` its blocks.
void DeflateEncoder::State::parse(const uint8_t* in, size_t n) {
  const MatchList list{matches, first};
  parseLazy(in, n, list, tokens);
  BlockCode code;
  Prices prices;
  for (int pass = 0; pass < tuning.passes; ++pass) {
    codeOf(tokens.data(), tokens.size(), code);
    prices.set(code);
    parseOptimal(in, n, list, prices, tuning.nice, nodes, tokens);
  }
  SymbolCounts counts;
  counts.add(tokens.data(), tokens.size());
  ends.clear();
  splitBlocks(tokens, 0, tokens.size(), counts, cheapestBits(counts), ends);
  if (!tuning.perBlock || ends.size() < 2) return;

  // Each block once more under its own code; the blocks keep their input ranges.
  std::vector<Token> again;
  std::vector<size_t> againEnds;
  size_t t0 = 0, byte0 = 0;
  for (size_t end : ends) {
    size_t bytes = 0;
    for (size_t t = t0; t < end; ++t) bytes += tokens[t].dist ? tokens[t].len : 1;
    codeOf(tokens.data() + t0, end - t0, code);
    prices.set(code);
    parseOptimal(in + byte0, bytes, MatchList{matches, first, byte0}, prices, tuning.nice, nodes, part);
    again.insert(again.end(), part.begin(), part.end());
    againEnds.push_back(again.size());
    t0 = end;
    byte0 += bytes;
  }
  tokens.swap(again);
  ends.swap(againEnds);
}

void DeflateEncoder::State::write(BitWriter& bw, const uint8_t* in, size_t n, bool final) {
  // Whatever the blocks would cost, one stored block bounds the piece.
  uint64_t planned = 0;
  const uint64_t at = bw.bitCount();
  size_t t0 = 0;
  for (size_t end : ends) {
    SymbolCounts counts;
    counts.add(tokens.data() + t0, end - t0);
    size_t bytes = 0;
    for (size_t t = t0; t < end; ++t) bytes += tokens[t].dist ? tokens[t].len : 1;
    planned += std::min(cheapestBits(counts), storedBlockBits(bytes, at + planned));
    t0 = end;
  }
  // As a single block, writeBlock picks stored when it is the cheapest.
  if (planned >= storedBlockBits(n, at)) ends.assign(1, tokens.size());
  t0 = 0;
  size_t byte0 = 0;
  for (size_t i = 0; i < ends.size(); ++i) {
    const size_t end = ends[i];
    size_t bytes = 0;
    for (size_t t = t0; t < end; ++t) bytes += tokens[t].dist ? tokens[t].len : 1;
    writeBlock(bw, tokens.data() + t0, end - t0, in + byte0, bytes, final && i + 1 == ends.size());
    t0 = end;
    byte0 += bytes;
  }
}

DeflateEncoder::DeflateEncoder(int level) {
  if (level < 1 || level > 9) fail(ErrorKind::Usage, "deflate level must be 1 to 9");
  s_ = std::make_unique<State>(kLevels[level]);
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
  for (size_t pos = 0; pos < n; pos += kPiece) {
    const size_t len = std::min(kPiece, n - pos);
    const size_t h = std::min<size_t>(kWindow, historySize + pos);
    State& s = *s_;
    s.finder.findAll(in + pos - h, h, h + len, s.matches, s.first);
    s.parse(in + pos, len);
    s.write(bw, in + pos, len, pos + len == n);
  }
  bw.alignToByte();
}

}  // namespace fmt::codecs
