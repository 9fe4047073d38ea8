// The compression methods the reader decodes, each from the entry's (decrypted)
// data to its output.
#pragma once
#include <cstdint>
#include <memory>

#include "base/stream.h"

namespace fmt::zip {

bool methodSupported(uint16_t method);

// Keeps its buffers and the zlib state from entry to entry: archives of many
// small files would otherwise spend their time setting them up.
class Decompressor {
 public:
  Decompressor();
  ~Decompressor();
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  // Decodes by `method` until its stream ends (stored: until `in` ends).
  void run(uint16_t method, InStream& in, OutStream& out);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace fmt::zip
