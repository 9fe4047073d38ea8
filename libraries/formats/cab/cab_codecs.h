// The per-folder block codecs behind one interface: a folder's typeCompress
// picks none, MSZIP, Quantum or LZX; each CFDATA block goes through it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace fmt::cab {

class BlockDecoder {
 public:
  virtual ~BlockDecoder() = default;
  virtual void reset() = 0;
  // Exactly outSize bytes from one block's data; throws fmt::Error on damage.
  virtual void decode(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) = 0;
};

class BlockEncoder {
 public:
  virtual ~BlockEncoder() = default;
  // Starts a folder.
  virtual void reset() = 0;
  // Encodes the folder's next frames: `data` holds `history` bytes already
  // encoded, then n bytes of frames, each kFrameSize long but the folder's last.
  // One block per frame goes to `blocks` (cleared first).
  virtual void encodeFrames(const uint8_t* data, size_t history, size_t n, std::vector<std::vector<uint8_t>>& blocks) = 0;
  // How many frames a call should take at a time (the last of a folder fewer).
  virtual size_t batchFrames() const { return 32; }
};

// Throws Unsupported for a method or window that does not exist.
std::unique_ptr<BlockDecoder> makeDecoder(uint16_t typeCompress);
// None, MSZIP (deflate level `level`, 1..9: see codecs/deflate_encoder.h) and LZX only.
// MSZIP runs on `threads` threads (0: one per processor, up to four), LZX on
// two unless `threads` is 1; the blocks are the same whatever the number.
std::unique_ptr<BlockEncoder> makeEncoder(uint16_t typeCompress, int level, unsigned threads = 0);

}  // namespace fmt::cab
