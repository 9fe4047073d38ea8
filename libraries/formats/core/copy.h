// Copying one stream into another, as the stream decoders' one-call forms do,
// and feeding one into an encoder, as the encoders' one-call forms do.
#pragma once
#include <cstdint>
#include <vector>

#include "base/error.h"

#include "core/archive.h"
#include "base/stream.h"

namespace fmt {

// Copies `in` to its end into `out`, calling `progress` about every megabyte;
// throws Cancelled when it returns false. Returns the bytes copied.
uint64_t copyStream(InStream& in, OutStream& out, const ProgressFn& progress = {});

// Writes `in` to its end into `encoder` (write, finish, bytesIn, bytesOut) in
// pieces of `pieceSize`, calling `progress` with the bytes taken after each;
// throws Cancelled when it returns false. Returns the encoded bytes.
template <typename Encoder>
uint64_t encodeStream(InStream& in, Encoder& encoder, size_t pieceSize, const ProgressFn& progress) {
  std::vector<uint8_t> buf(pieceSize);
  for (;;) {
    const size_t got = in.read(buf.data(), buf.size());
    if (got == 0) break;
    encoder.write(buf.data(), got);
    if (progress && !progress(encoder.bytesIn(), 0)) fail(ErrorKind::Cancelled, "cancelled");
  }
  encoder.finish();
  return encoder.bytesOut();
}

}  // namespace fmt
