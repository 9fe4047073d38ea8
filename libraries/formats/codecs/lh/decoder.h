// The interface every LZH-family decoder offers: one object per entry, pushed
// into an output stream so that memory stays at the size of the window.
#pragma once
#include <cstdint>

#include "base/stream.h"

namespace fmt::codecs {

class Decoder {
 public:
  virtual ~Decoder() = default;
  // Decodes exactly `size` bytes from `in` into `out`. Throws Corrupt on an
  // impossible code and Truncated when `in` ends before `size` bytes are made.
  virtual void decode(InStream& in, uint64_t size, OutStream& out) = 0;
};

}  // namespace fmt::codecs
