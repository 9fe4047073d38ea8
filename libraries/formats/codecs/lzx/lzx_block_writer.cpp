// Writing LZX blocks: trees as pretree-coded changes against the lengths the
// decoder holds, then the symbols.
#include <algorithm>
#include <cstring>

#include "codecs/lzx/lzx_encoder_parts.h"
#include "codecs/lzx/lzx_huffman.h"

namespace fmt::codecs::lzx {

namespace {

constexpr int kPretreeMaxLength = 15;  // stored in 4 bits
constexpr int kAlignedMaxLength = 7;   // stored in 3 bits

struct PreToken {
  uint8_t symbol;
  uint8_t extraBits;
  uint8_t extra;
  int8_t delta;  // code 19: the change coded after the run length, else -1
};

// Pretree tokens turning prev[from,to) into cur[from,to).
std::vector<PreToken> tokenizeLengths(const uint8_t* prev, const uint8_t* cur, int from, int to) {
  std::vector<PreToken> out;
  int i = from;
  while (i < to) {
    if (cur[i] == 0) {
      int z = i;
      while (z < to && cur[z] == 0) ++z;
      int run = z - i;
      if (run >= 20) {
        run = std::min(run, 51);
        out.push_back({18, 5, static_cast<uint8_t>(run - 20), -1});
        i += run;
        continue;
      }
      if (run >= 4) {
        out.push_back({17, 4, static_cast<uint8_t>(run - 4), -1});
        i += run;
        continue;
      }
    }
    // Code 19 only where old and new lengths are both constant over the run,
    // so that every reading of its change gives the same lengths.
    int same = i;
    while (same < to && same - i < 5 && cur[same] == cur[i] && prev[same] == prev[i]) ++same;
    uint8_t delta = static_cast<uint8_t>((prev[i] + 17 - cur[i]) % 17);
    if (same - i >= 4) {
      out.push_back({19, 1, static_cast<uint8_t>(same - i - 4), static_cast<int8_t>(delta)});
      i = same;
      continue;
    }
    out.push_back({delta, 0, 0, -1});
    ++i;
  }
  return out;
}

struct CodedLengths {
  std::vector<PreToken> tokens;
  std::vector<uint8_t> pretree;
};

CodedLengths codeLengths(const uint8_t* prev, const uint8_t* cur, int from, int to) {
  CodedLengths c;
  c.tokens = tokenizeLengths(prev, cur, from, to);
  uint32_t freq[kPretreeSymbols] = {};
  for (const PreToken& t : c.tokens) {
    freq[t.symbol]++;
    if (t.delta >= 0) freq[t.delta]++;
  }
  c.pretree = buildLengths(freq, kPretreeSymbols, kPretreeMaxLength);
  return c;
}

uint64_t lengthsBits(const uint8_t* prev, const uint8_t* cur, int from, int to) {
  CodedLengths c = codeLengths(prev, cur, from, to);
  uint64_t bits = 4 * kPretreeSymbols;
  for (const PreToken& t : c.tokens)
    bits += c.pretree[t.symbol] + t.extraBits + (t.delta >= 0 ? c.pretree[t.delta] : 0);
  return bits;
}

void writeLengths(BitWriter& w, const uint8_t* prev, const uint8_t* cur, int from, int to) {
  CodedLengths c = codeLengths(prev, cur, from, to);
  const std::vector<uint8_t>& len = c.pretree;
  std::vector<uint16_t> code = canonicalCodes(len.data(), kPretreeSymbols);
  for (int i = 0; i < kPretreeSymbols; ++i) w.put(len[i], 4);
  for (const PreToken& t : c.tokens) {
    w.put(code[t.symbol], len[t.symbol]);
    if (t.extraBits) w.put(t.extra, t.extraBits);
    if (t.delta >= 0) w.put(code[t.delta], len[t.delta]);
  }
}

}  // namespace

uint64_t treeBits(const CodeLengths& previous, const CodeLengths& lengths, int mainSymbols) {
  return lengthsBits(previous.main, lengths.main, 0, kNumChars) +
         lengthsBits(previous.main, lengths.main, kNumChars, mainSymbols) +
         lengthsBits(previous.length, lengths.length, 0, kLengthSymbols);
}

void writeCompressedBlock(BitWriter& w, size_t n, const std::vector<Token>& tokens, const CodeLengths& lengths,
                          const CodeLengths& previous, int mainSymbols, const std::vector<size_t>& cuts,
                          const std::function<void(size_t)>& atCut) {
  // Aligned-offset blocks code the low three footer bits of far matches with
  // a tree; they pay when those bits are skewed (tables, aligned records).
  uint32_t alignedFreq[kAlignedSymbols] = {};
  uint64_t verbatimBits = 0;
  for (const Token& t : tokens)
    if (t.footerBits >= 3) {
      alignedFreq[t.footer & 7]++;
      verbatimBits += 3;
    }
  std::vector<uint8_t> alignedLen = buildLengths(alignedFreq, kAlignedSymbols, kAlignedMaxLength);
  uint64_t alignedBits = 3 * kAlignedSymbols;
  for (int i = 0; i < kAlignedSymbols; ++i) alignedBits += uint64_t(alignedFreq[i]) * alignedLen[i];
  const bool aligned = verbatimBits > 0 && alignedBits < verbatimBits;

  w.put(aligned ? kAligned : kVerbatim, 3);
  w.put(static_cast<uint32_t>(n), 24);
  std::vector<uint16_t> alignedCode;
  if (aligned) {
    for (int i = 0; i < kAlignedSymbols; ++i) w.put(alignedLen[i], 3);
    alignedCode = canonicalCodes(alignedLen.data(), kAlignedSymbols);
  }
  writeLengths(w, previous.main, lengths.main, 0, kNumChars);
  writeLengths(w, previous.main, lengths.main, kNumChars, mainSymbols);
  writeLengths(w, previous.length, lengths.length, 0, kLengthSymbols);

  std::vector<uint16_t> mainCode = canonicalCodes(lengths.main, mainSymbols);
  std::vector<uint16_t> lengthCode = canonicalCodes(lengths.length, kLengthSymbols);
  size_t cut = 0;
  for (size_t k = 0; k < tokens.size(); ++k) {
    for (; cut < cuts.size() && cuts[cut] == k; ++cut) atCut(cut);
    const Token& t = tokens[k];
    w.put(mainCode[t.mainSymbol], lengths.main[t.mainSymbol]);
    if (t.lengthSymbol >= 0) w.put(lengthCode[t.lengthSymbol], lengths.length[t.lengthSymbol]);
    if (aligned && t.footerBits >= 3) {
      w.put(t.footer >> 3, t.footerBits - 3);
      w.put(alignedCode[t.footer & 7], alignedLen[t.footer & 7]);
    } else if (t.footerBits) {
      w.put(t.footer, t.footerBits);
    }
  }
  for (; cut < cuts.size(); ++cut) atCut(cut);
}

void writeUncompressedBlock(BitWriter& w, const uint8_t* data, size_t n, const uint32_t r[3]) {
  w.put(kUncompressed, 3);
  w.put(static_cast<uint32_t>(n), 24);
  // One to sixteen bits of padding reach the 16-bit boundary.
  if (w.pending() == 0)
    w.put(0, 16);
  else
    w.flush();
  std::vector<uint8_t>& out = w.bytes();
  for (int k = 0; k < 3; ++k)
    for (int s = 0; s < 32; s += 8) out.push_back(static_cast<uint8_t>(r[k] >> s));
  out.insert(out.end(), data, data + n);
  if (n & 1) out.push_back(0);
}

}  // namespace fmt::codecs::lzx
