// Pieces of the LZX encoder: the parse of a frame into literals and matches,
// and the writing of that parse as a block.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/lzx_bits.h"
#include "codecs/lzx_format.h"
#include "codecs/lzx_match_finder.h"

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

// Near-optimal parse of data[start, start+n): a shortest path over the frame
// where each step is a literal, a repeated-offset match or a found match.
// `r` holds the repeated offsets on entry and on return.
void parseFrame(const MatchFinder& finder, size_t start, size_t n, const std::vector<Match>& matches,
                const std::vector<uint32_t>& first, const Prices& prices, int niceLength, uint32_t r[3],
                std::vector<Token>& tokens);

// Symbol counts of a parse and the code lengths chosen for them.
void chooseLengths(const std::vector<Token>& tokens, int mainSymbols, CodeLengths& out);

// Writes one verbatim or aligned-offset block (whichever is smaller) holding
// the tokens for n bytes; `previous` are the lengths the decoder already holds.
void writeCompressedBlock(BitWriter& w, size_t n, const std::vector<Token>& tokens, const CodeLengths& lengths,
                          const CodeLengths& previous, int mainSymbols);

// Writes an uncompressed block of n bytes that sets the repeated offsets to r.
void writeUncompressedBlock(BitWriter& w, const uint8_t* data, size_t n, const uint32_t r[3]);

}  // namespace fmt::codecs::lzx
