// Raw inflate for deflate and its 64 KB variant (ZIP method 9). Deflate itself
// goes through zlib in the readers; the plain variant here exists so the same
// decoder can be checked against zlib on ordinary streams.
#pragma once
#include "base/stream.h"

namespace fmt {

enum class DeflateVariant {
  Deflate,    // 32 KB window, length code 285 = 258
  Deflate64,  // 64 KB window, length code 285 = 3 + 16 extra bits, distance codes 30 and 31
};

// Decodes one raw stream (no zlib or gzip wrapper) from `in` to `out` and returns
// after the final block. Input read past the stream's end is consumed and lost.
// Throws Corrupt on a bad code and Truncated when the input ends too early.
void inflateRaw(InStream& in, OutStream& out, DeflateVariant variant);

}  // namespace fmt
