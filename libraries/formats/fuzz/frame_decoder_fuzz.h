// The fuzz body the Cabinet frame decoders (LZX, Quantum) share. Input: one
// byte choosing the window (firstWindow + byte % windows), then frames as
// [output size: 2 bytes LE][input size: 2 bytes LE][input bytes]; sizes are cut
// to what the format and the input allow. A frame that fails resets the
// decoder, so that the frames after it start from a clean state.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/error.h"

template <typename Decoder>
int fuzzFrames(const uint8_t* data, size_t size, int firstWindow, int windows, size_t frameSize) {
  if (size < 1) return 0;
  Decoder dec(firstWindow + data[0] % windows);
  std::vector<uint8_t> out(frameSize);
  size_t at = 1;
  while (at + 4 <= size) {
    const size_t outSize = (data[at] | data[at + 1] << 8) % (frameSize + 1);
    size_t inSize = data[at + 2] | data[at + 3] << 8;
    at += 4;
    if (inSize > size - at) inSize = size - at;
    try {
      dec.decodeBlock(data + at, inSize, out.data(), outSize);
    } catch (const fmt::Error&) {
      dec.reset();
    }
    at += inSize;
  }
  return 0;
}
