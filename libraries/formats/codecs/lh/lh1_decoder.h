// -lh1-: LZ77 over a 4 KB window with an adaptive Huffman code for literals and
// lengths and a fixed code for the upper six bits of a position.
#pragma once
#include "codecs/lh/decoder.h"

namespace fmt::codecs {

class Lh1Decoder : public Decoder {
 public:
  void decode(InStream& in, uint64_t size, OutStream& out) override;
};

}  // namespace fmt::codecs
