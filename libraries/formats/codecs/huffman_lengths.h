// Length-limited code lengths and canonical codes for static Huffman trees, as
// the LH and deflate encoders build them.
#pragma once
#include <cstdint>

namespace fmt::codecs {

// Fills len[0..n) with Huffman code lengths of at most maxLen bits for `freq`
// (0 for unused symbols) and returns how many symbols are used. When only one is
// used its length stays 0: LHA writes such a tree as "count 0, the symbol" and
// codes that symbol in no bits at all.
int huffmanLengths(const uint32_t* freq, int n, int maxLen, uint8_t* len);

// Canonical codes for the lengths (shorter codes first, ties by symbol), the
// assignment every LHA decoder rebuilds from the transmitted lengths.
void canonicalCodes(const uint8_t* len, int n, uint16_t* code);

}  // namespace fmt::codecs
