// LZX's x86 call translation: the 32-bit displacement after each E8 byte is
// made absolute before compression (calls to one target then look alike) and
// relative again after decoding. Works frame by frame, never within a frame's
// last 10 bytes, and stops after the first 2^30 bytes of a folder.
#pragma once
#include <cstddef>
#include <cstdint>

namespace fmt::codecs::lzx {

// `frameStart`: folder bytes before this frame; `size`: the translation size
// from the stream header (0: no translation).
void translateCalls(uint8_t* frame, size_t n, uint64_t frameStart, int32_t size);
void untranslateCalls(uint8_t* frame, size_t n, uint64_t frameStart, int32_t size);

}  // namespace fmt::codecs::lzx
