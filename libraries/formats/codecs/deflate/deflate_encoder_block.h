// Deflate blocks as the encoder writes them: the length-limited codes of a
// dynamic block and their run-length coded header, what each block type would
// cost, and the writing of stored, fixed and dynamic blocks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/deflate/deflate_encoder_bits.h"
#include "codecs/deflate/deflate_encoder_parse.h"

namespace fmt::codecs::deflate {

// Code lengths for the counts (which include the end-of-block symbol): at most
// 15 bits, and always a complete code, even over one symbol or none, since not
// every decoder takes an incomplete one.
void buildCode(const SymbolCounts& counts, BlockCode& code);

// The dynamic block header: HLIT, HDIST, HCLEN, the code-length code and the
// lengths as runs (16: repeat the last 3..6 times, 17: 3..10 zeros, 18: 11..138 zeros).
struct Header {
  int hlit = 257, hdist = 1, hclen = 4;
  uint8_t clLen[kCodeLenSymbols] = {};
  struct Op {
    uint8_t symbol;
    uint8_t extra;  // the repeat count's extra bits, for 16..18
  };
  std::vector<Op> ops;
  uint32_t bits = 0;  // everything after the three block-type bits
};
void planHeader(const BlockCode& code, Header& header);

// Bits of the symbols and their extra bits, end of block included.
uint64_t bodyBits(const SymbolCounts& counts, const BlockCode& code);
// The fixed code (lengths for all 288 literal/length symbols exist, though
// 286 and 287 never occur).
const BlockCode& fixedCode();
// What a dynamic (3 + header + body), a fixed and the stored blocks for
// `bytes` input bytes would cost, the last from bit position `at` of the stream.
// With tryRuns, a code of evened-out counts is tried as well, for a header of more runs.
uint64_t dynamicBlockBits(const SymbolCounts& counts, BlockCode& code, Header& header, bool tryRuns = false);
uint64_t fixedBlockBits(const SymbolCounts& counts);
uint64_t storedBlockBits(size_t bytes, uint64_t at);

enum class BlockType { Stored, Fixed, Dynamic };

// Writes one block of the tokens, which cover `bytes` input bytes from `data`;
// picks the cheapest type. `final` sets BFINAL.
BlockType writeBlock(BitWriter& bw, const Token* tokens, size_t count, const uint8_t* data, size_t bytes, bool final);

}  // namespace fmt::codecs::deflate
