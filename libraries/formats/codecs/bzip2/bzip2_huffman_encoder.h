// Huffman coding tables for the bzip2 encoder: code lengths from frequencies, and
// the choice of 2..6 tables and of the table for every 50-symbol group.
#pragma once
#include <cstdint>

#include "codecs/bzip2/bzip2_format.h"

namespace fmt::codecs::bz2 {

// Lengths (1..maxLength) for `count` (2..258) symbols; a zero frequency counts as
// one, since bzip2 gives every symbol of the alphabet a code.
void buildCodeLengths(const uint32_t* freq, int count, int maxLength, uint8_t* lengths);

// Canonical codes: by length, then by symbol, as the decoder rebuilds them.
void assignCodes(const uint8_t* lengths, int count, uint32_t* codes);

struct TableChoice {
  int groups = 0;
  int selectors = 0;
  uint8_t selector[kMaxSelectors];
  uint8_t lengths[kMaxGroups][kMaxAlphabet];
};

// Picks the tables for `symbols` (alphabet `alphabet`, `freq` their totals) by
// refining them over several passes: each group goes to its cheapest table, then
// each table is rebuilt from the groups it got.
void chooseTables(const uint16_t* symbols, uint32_t count, int alphabet, const uint32_t* freq, TableChoice& out);

}  // namespace fmt::codecs::bz2
