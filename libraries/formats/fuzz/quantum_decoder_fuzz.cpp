// The Quantum decoder on arbitrary frames, windows 10..21 (frame_decoder_fuzz.h).
#include "codecs/quantum/quantum.h"
#include "frame_decoder_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzzFrames<fmt::codecs::QuantumDecoder>(data, size, 10, 12, fmt::codecs::kQuantumFrameSize);
}
