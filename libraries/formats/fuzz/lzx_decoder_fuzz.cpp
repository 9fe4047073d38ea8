// The LZX decoder on arbitrary frames. Input: one byte choosing the window
// (15..21), then frames as [output size: 2 bytes LE][input size: 2 bytes LE]
// [input bytes]; sizes are cut to what the format and the input allow.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/lzx.h"
#include "core/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  fmt::codecs::LzxDecoder dec(15 + data[0] % 7);
  std::vector<uint8_t> out(fmt::codecs::kLzxFrameSize);
  size_t at = 1;
  while (at + 4 <= size) {
    size_t outSize = (data[at] | data[at + 1] << 8) % (fmt::codecs::kLzxFrameSize + 1);
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
