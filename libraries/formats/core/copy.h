// Copying one stream into another, as the stream decoders' one-call forms do.
#pragma once
#include <cstdint>

#include "core/archive.h"
#include "core/stream.h"

namespace fmt {

// Copies `in` to its end into `out`, calling `progress` about every megabyte;
// throws Cancelled when it returns false. Returns the bytes copied.
uint64_t copyStream(InStream& in, OutStream& out, const ProgressFn& progress = {});

}  // namespace fmt
