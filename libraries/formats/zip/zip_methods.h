// The compression methods the reader decodes, each from the entry's (decrypted)
// data to its output.
#pragma once
#include <cstdint>

#include "core/stream.h"

namespace fmt::zip {

bool methodSupported(uint16_t method);
// Decodes by `method` until its stream ends (stored: until `in` ends).
void decompress(uint16_t method, InStream& in, OutStream& out);

}  // namespace fmt::zip
