#include "codecs/deflate/deflate_encoder_block.h"

#include <algorithm>

#include "codecs/huffman_lengths.h"

namespace fmt::codecs::deflate {
namespace {

constexpr int kFixedLitLenSymbols = 288;

struct FixedLengths {
  uint8_t litlen[kFixedLitLenSymbols];
  BlockCode code;
  FixedLengths() {
    for (int i = 0; i < kFixedLitLenSymbols; ++i) litlen[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    std::copy(litlen, litlen + kLitLenSymbols, code.litlen);
    std::fill(std::begin(code.dist), std::end(code.dist), 5);
  }
};
const FixedLengths& fixedLengths() {
  static const FixedLengths f;
  return f;
}

// Lengths for one alphabet, none longer than maxBits, made complete when the
// counts use fewer than two symbols.
void limitedLengths(const uint32_t* freq, int n, int maxBits, uint8_t* len) {
  const int used = huffmanLengths(freq, n, maxBits, len);
  if (used >= 2) return;
  int one = 0;
  while (one < n && !freq[one]) ++one;
  if (one == n) one = 0;
  len[one] = 1;
  len[one == 0 ? 1 : 0] = 1;
}

// Reversed canonical codes, ready for the LSB-first writer.
struct Encoding {
  uint16_t code[kFixedLitLenSymbols];
  uint8_t len[kFixedLitLenSymbols];
  void set(const uint8_t* lengths, int n) {
    canonicalCodes(lengths, n, code);
    for (int i = 0; i < n; ++i) {
      len[i] = lengths[i];
      code[i] = reverseBits(code[i], lengths[i]);
    }
  }
};

constexpr uint8_t kRepeatExtraBits[3] = {2, 3, 7};  // for 16, 17, 18

void writeHeader(BitWriter& bw, const Header& h) {
  bw.put(static_cast<uint32_t>(h.hlit - 257), 5);
  bw.put(static_cast<uint32_t>(h.hdist - 1), 5);
  bw.put(static_cast<uint32_t>(h.hclen - 4), 4);
  for (int i = 0; i < h.hclen; ++i) bw.put(h.clLen[kCodeLenOrder[i]], 3);
  Encoding cl;
  cl.set(h.clLen, kCodeLenSymbols);
  for (const Header::Op& op : h.ops) {
    bw.put(cl.code[op.symbol], cl.len[op.symbol]);
    if (op.symbol >= 16) bw.put(op.extra, kRepeatExtraBits[op.symbol - 16]);
  }
}

void writeTokens(BitWriter& bw, const Token* t, size_t count, const Encoding& lit, const Encoding& dist) {
  for (size_t i = 0; i < count; ++i) {
    if (t[i].dist == 0) {
      bw.put(lit.code[t[i].len], lit.len[t[i].len]);
      continue;
    }
    const int lc = kLengthCodes.index[t[i].len];
    const int ls = 257 + lc;
    bw.put(lit.code[ls] | static_cast<uint32_t>(t[i].len - kLengthBase[lc]) << lit.len[ls], lit.len[ls] + kLengthExtra[lc]);
    const int dc = kDistanceCodes.of(t[i].dist);
    bw.put(dist.code[dc] | static_cast<uint32_t>(t[i].dist - kDistBase[dc]) << dist.len[dc], dist.len[dc] + kDistExtra[dc]);
  }
  bw.put(lit.code[kEndOfBlock], lit.len[kEndOfBlock]);
}

void writeStored(BitWriter& bw, const uint8_t* data, size_t bytes, bool final) {
  // One stored block holds at most 65535 bytes; an empty input still needs one.
  size_t at = 0;
  do {
    const size_t n = std::min<size_t>(bytes - at, kMaxStoredBlock);
    const bool last = at + n == bytes;
    bw.put((final && last) ? 1 : 0, 1);
    bw.put(0, 2);
    bw.alignToByte();
    const uint8_t head[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(~n),
                             static_cast<uint8_t>(~n >> 8)};
    bw.putBytes(head, 4);
    bw.putBytes(data + at, n);
    at += n;
  } while (at < bytes);
}

// Counts that differ little within a stretch of used symbols are made equal,
// so that their code lengths come out equal and the header codes them as runs:
// on small blocks the header saved may outweigh the slightly worse code.
// Stretches of three or more whose counts stay within 1/tolerance of their mean.
void evenOutForRuns(uint32_t* f, int n, int tolerance) {
  constexpr int kMinRun = 3;
  for (int i = 0; i < n;) {
    if (f[i] == 0) {
      ++i;
      continue;
    }
    uint64_t sum = f[i];
    int j = i + 1;
    while (j < n && f[j] != 0) {
      const uint64_t avg = sum / static_cast<uint64_t>(j - i);
      const uint64_t diff = f[j] > avg ? f[j] - avg : avg - f[j];
      if (diff * static_cast<uint64_t>(tolerance) > avg + 2) break;
      sum += f[j++];
    }
    if (j - i >= kMinRun) {
      const uint64_t len = static_cast<uint64_t>(j - i);
      std::fill(f + i, f + j, static_cast<uint32_t>(std::max<uint64_t>(1, (sum + len / 2) / len)));
    }
    i = j;
  }
}

}  // namespace

void buildCode(const SymbolCounts& counts, BlockCode& code) {
  limitedLengths(counts.litlen, kLitLenSymbols, kMaxCodeBits, code.litlen);
  limitedLengths(counts.dist, kDistSymbols, kMaxCodeBits, code.dist);
}

void planHeader(const BlockCode& code, Header& h) {
  h.hlit = kLitLenSymbols;
  while (h.hlit > 257 && code.litlen[h.hlit - 1] == 0) --h.hlit;
  h.hdist = kDistSymbols;
  while (h.hdist > 1 && code.dist[h.hdist - 1] == 0) --h.hdist;
  // One sequence: runs may cross from the literal/length lengths into the distance ones.
  uint8_t seq[kLitLenSymbols + kDistSymbols];
  std::copy(code.litlen, code.litlen + h.hlit, seq);
  std::copy(code.dist, code.dist + h.hdist, seq + h.hlit);
  const int total = h.hlit + h.hdist;

  h.ops.clear();
  for (int i = 0; i < total;) {
    const uint8_t v = seq[i];
    int run = 1;
    while (i + run < total && seq[i + run] == v) ++run;
    i += run;
    if (v == 0) {
      while (run >= 11) {
        const int k = std::min(run, 138);
        h.ops.push_back({18, static_cast<uint8_t>(k - 11)});
        run -= k;
      }
      if (run >= 3) {
        h.ops.push_back({17, static_cast<uint8_t>(run - 3)});
        run = 0;
      }
    } else {
      h.ops.push_back({v, 0});
      --run;
      while (run >= 3) {
        const int k = std::min(run, 6);
        h.ops.push_back({16, static_cast<uint8_t>(k - 3)});
        run -= k;
      }
    }
    for (; run > 0; --run) h.ops.push_back({v, 0});
  }

  uint32_t freq[kCodeLenSymbols] = {};
  for (const Header::Op& op : h.ops) freq[op.symbol]++;
  limitedLengths(freq, kCodeLenSymbols, kMaxCodeLenBits, h.clLen);
  h.hclen = kCodeLenSymbols;
  while (h.hclen > 4 && h.clLen[kCodeLenOrder[h.hclen - 1]] == 0) --h.hclen;

  uint32_t bits = 5 + 5 + 4 + 3 * static_cast<uint32_t>(h.hclen);
  for (const Header::Op& op : h.ops) {
    bits += h.clLen[op.symbol];
    if (op.symbol >= 16) bits += kRepeatExtraBits[op.symbol - 16];
  }
  h.bits = bits;
}

uint64_t bodyBits(const SymbolCounts& counts, const BlockCode& code) {
  uint64_t bits = code.litlen[kEndOfBlock];
  for (int i = 0; i < kLitLenSymbols; ++i) {
    if (i == kEndOfBlock) continue;
    uint64_t per = code.litlen[i] + (i > kEndOfBlock ? kLengthExtra[i - 257] : 0);
    bits += per * counts.litlen[i];
  }
  for (int i = 0; i < kDistSymbols; ++i) bits += uint64_t(code.dist[i] + kDistExtra[i]) * counts.dist[i];
  return bits;
}

const BlockCode& fixedCode() { return fixedLengths().code; }

uint64_t dynamicBlockBits(const SymbolCounts& counts, BlockCode& code, Header& header, bool tryRuns) {
  SymbolCounts withEnd = counts;
  withEnd.litlen[kEndOfBlock] = 1;
  buildCode(withEnd, code);
  planHeader(code, header);
  uint64_t bits = 3 + header.bits + bodyBits(counts, code);
  if (!tryRuns) return bits;
  for (int tolerance : {2, 4}) {
    SymbolCounts even = withEnd;
    evenOutForRuns(even.litlen, kLitLenSymbols, tolerance);
    evenOutForRuns(even.dist, kDistSymbols, tolerance);
    BlockCode evenCode;
    Header evenHeader;
    buildCode(even, evenCode);
    planHeader(evenCode, evenHeader);
    const uint64_t evenBits = 3 + evenHeader.bits + bodyBits(counts, evenCode);
    if (evenBits < bits) {
      bits = evenBits;
      code = evenCode;
      header = std::move(evenHeader);
    }
  }
  return bits;
}

uint64_t fixedBlockBits(const SymbolCounts& counts) { return 3 + bodyBits(counts, fixedCode()); }

uint64_t storedBlockBits(size_t bytes, uint64_t at) {
  uint64_t bits = 0;
  size_t left = bytes;
  do {
    const size_t n = std::min<size_t>(left, kMaxStoredBlock);
    const uint64_t afterType = at + bits + 3;
    bits += 3 + (8 - afterType % 8) % 8 + 32 + 8 * uint64_t(n);
    left -= n;
  } while (left > 0);
  return bits;
}

BlockType writeBlock(BitWriter& bw, const Token* tokens, size_t count, const uint8_t* data, size_t bytes, bool final) {
  SymbolCounts counts;
  counts.add(tokens, count);
  BlockCode code;
  Header header;
  const uint64_t dynamic = dynamicBlockBits(counts, code, header, true);
  const uint64_t fixed = fixedBlockBits(counts);
  const uint64_t stored = storedBlockBits(bytes, bw.bitCount());
  if (stored < dynamic && stored < fixed) {
    writeStored(bw, data, bytes, final);
    return BlockType::Stored;
  }
  bw.put(final ? 1 : 0, 1);
  Encoding lit, dist;
  if (fixed <= dynamic) {
    bw.put(1, 2);
    lit.set(fixedLengths().litlen, kFixedLitLenSymbols);
    dist.set(fixedCode().dist, kDistSymbols);
    writeTokens(bw, tokens, count, lit, dist);
    return BlockType::Fixed;
  }
  bw.put(2, 2);
  writeHeader(bw, header);
  lit.set(code.litlen, kLitLenSymbols);
  dist.set(code.dist, kDistSymbols);
  writeTokens(bw, tokens, count, lit, dist);
  return BlockType::Dynamic;
}

}  // namespace fmt::codecs::deflate
