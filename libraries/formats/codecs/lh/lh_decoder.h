// -lh4- to -lh7-: LZ77 with static Huffman blocks. The methods differ only in
// the window (4, 8, 32, 64 KB) and in how many position codes exist.
#pragma once
#include "codecs/lh/decoder.h"

namespace fmt::codecs {

class LhDecoder : public Decoder {
 public:
  // windowBits: 12 (-lh4-), 13 (-lh5-), 15 (-lh6-), 16 (-lh7-).
  explicit LhDecoder(int windowBits);
  void decode(InStream& in, uint64_t size, OutStream& out) override;

 private:
  int positionCodes_;  // symbols of the position tree
  int positionBits_;   // width of the field that counts them
};

}  // namespace fmt::codecs
