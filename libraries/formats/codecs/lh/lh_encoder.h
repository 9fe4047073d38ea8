// The -lh5-, -lh6- and -lh7- encoder: LZ77 over an 8, 32 or 64 KB window with
// static Huffman blocks, as every LHA program since LHarc 2 decodes it.
#pragma once
#include <cstdint>

#include "core/archive.h"
#include "base/stream.h"

namespace fmt::codecs {

// Window bits by method: -lh5- 13, -lh6- 15, -lh7- 16.
int lhWindowBits(int method);

struct LhEncodeResult {
  uint64_t packedSize = 0;
  bool abandoned = false;  // output reached `limit`: the caller stores the entry instead
};

// Compresses exactly `size` bytes of `in` into `out`. Stops early with
// `abandoned` once the output would exceed `limit` bytes (pass the input size to
// learn cheaply that a file is incompressible). Throws Cancelled when `progress`
// returns false.
LhEncodeResult encodeLh(InStream& in, uint64_t size, OutStream& out, int method, uint64_t limit = UINT64_MAX,
                        const ProgressFn& progress = {});

}  // namespace fmt::codecs
