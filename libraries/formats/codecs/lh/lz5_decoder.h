// -lz5- (LArc, LHarc 1): LZSS over a 4 KB window that starts from a fixed
// pattern; a flag byte before each group of eight literals or matches.
#pragma once
#include "codecs/lh/decoder.h"

namespace fmt::codecs {

class Lz5Decoder : public Decoder {
 public:
  void decode(InStream& in, uint64_t size, OutStream& out) override;
};

}  // namespace fmt::codecs
