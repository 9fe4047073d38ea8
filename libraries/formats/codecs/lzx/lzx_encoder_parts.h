// Pieces of the LZX encoder: the parse of a frame into literals and matches,
// and the writing of that parse as a block.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "codecs/lzx/lzx_bits.h"
#include "codecs/lzx/lzx_format.h"
#include "codecs/lzx/lzx_match_finder.h"

namespace fmt::codecs::lzx {

// One coded element: a literal (mainSymbol < 256) or a match.
struct Token {
  uint16_t mainSymbol;
  int16_t lengthSymbol;  // -1 when the length header is below 7
  uint8_t footerBits;
  uint32_t footer;       // formatted offset minus the slot base
};

struct CodeLengths {
  uint8_t main[kMaxMainSymbols] = {};
  uint8_t length[kLengthSymbols] = {};
};

// Bit costs the parser works with, from code lengths of an earlier parse.
struct Prices {
  uint32_t main[kMaxMainSymbols];
  uint32_t length[kLengthSymbols];
  // Default costs stand in for symbols the lengths leave without a code.
  void set(const CodeLengths& lengths, int mainSymbols);
  void setFlat(int mainSymbols);
};

int slotOf(uint32_t formattedOffset);

// The repeated offsets R0..R2.
struct Repeats {
  uint32_t r[3];
};

// What a parse keeps from frame to frame: its buffers, so that they are not
// made afresh for each frame.
struct ParseScratch {
  std::vector<uint64_t> nodes;
  std::vector<Repeats> repeats;
  std::vector<uint32_t> path;
};

// Near-optimal parse of data[start, start+n): a shortest path over the frame
// where each step is a literal, a repeated-offset match or a found match.
// `r` holds the repeated offsets on entry and on return.
void parseFrame(const MatchFinder& finder, size_t start, size_t n, const std::vector<Match>& matches,
                const std::vector<uint32_t>& first, const Prices& prices, int niceLength, uint32_t r[3],
                ParseScratch& scratch, std::vector<Token>& tokens);

// Symbol counts of one or more parses.
struct SymbolCounts {
  uint32_t main[kMaxMainSymbols] = {};
  uint32_t length[kLengthSymbols] = {};
  void add(const std::vector<Token>& tokens);
  void add(const SymbolCounts& other);
};

// The code lengths chosen for counts (or for a parse).
void chooseLengths(const SymbolCounts& counts, int mainSymbols, CodeLengths& out);
void chooseLengths(const std::vector<Token>& tokens, int mainSymbols, CodeLengths& out);

// Bits the main and length symbols of `counts` take with `lengths`.
uint64_t symbolBits(const SymbolCounts& counts, const CodeLengths& lengths, int mainSymbols);
// Bits the trees of a block take when the decoder holds `previous`.
uint64_t treeBits(const CodeLengths& previous, const CodeLengths& lengths, int mainSymbols);

// Writes one verbatim or aligned-offset block (whichever is smaller) holding
// the tokens for n bytes; `previous` are the lengths the decoder already holds.
// The block may span frames: after tokens[0, cuts[i]) atCut(i) is called, where
// the caller ends the frame.
void writeCompressedBlock(BitWriter& w, size_t n, const std::vector<Token>& tokens, const CodeLengths& lengths,
                          const CodeLengths& previous, int mainSymbols, const std::vector<size_t>& cuts = {},
                          const std::function<void(size_t)>& atCut = {});

// Writes an uncompressed block of n bytes that sets the repeated offsets to r.
void writeUncompressedBlock(BitWriter& w, const uint8_t* data, size_t n, const uint32_t r[3]);

}  // namespace fmt::codecs::lzx
