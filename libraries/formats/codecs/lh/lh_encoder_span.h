// Encoding one stretch of input as whole -lh5-..-lh7- blocks: the parse, the
// block choice and the writing, after an optional history that only fills the window.
#pragma once
#include <cstdint>

#include "codecs/lh/lh_encoder_bits.h"
#include "core/archive.h"
#include "base/stream.h"

namespace fmt::codecs {

// Encodes the `size` bytes of `in` that follow its first `history` bytes, which
// matches may reach back into but which are not coded themselves. Returns false
// when `bits` went over its limit (the rest is then left). `progress` gets bytes
// done of `size`; Cancelled when it returns false.
bool lhEncodeSpan(InStream& in, uint64_t history, uint64_t size, LhBitWriter& bits, int windowBits,
                  const ProgressFn& progress);

}  // namespace fmt::codecs
