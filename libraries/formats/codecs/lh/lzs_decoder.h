// -lzs- (LArc): LZSS over a 2 KB window; a flag bit before each literal byte or
// 11-bit position and 4-bit length.
#pragma once
#include "codecs/lh/decoder.h"

namespace fmt::codecs {

class LzsDecoder : public Decoder {
 public:
  void decode(InStream& in, uint64_t size, OutStream& out) override;
};

}  // namespace fmt::codecs
