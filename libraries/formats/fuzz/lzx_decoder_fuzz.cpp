// The LZX decoder on arbitrary frames, windows 15..21 (frame_decoder_fuzz.h).
#include "codecs/lzx/lzx.h"
#include "frame_decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzFrames<fmt::codecs::LzxDecoder>(data, size, 15, 7, fmt::codecs::kLzxFrameSize);
}
