// MSZIP as Cabinet folders carry it: each CFDATA block is "CK" and a deflate
// stream of at most 32768 output bytes that ends on a byte boundary; the
// decoder's 32 KB window runs on from block to block of one folder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace fmt::codecs {

inline constexpr size_t kMszipFrameSize = 32768;

class MszipDecoder {
 public:
  MszipDecoder();
  ~MszipDecoder();
  MszipDecoder(const MszipDecoder&) = delete;
  MszipDecoder& operator=(const MszipDecoder&) = delete;

  // Forgets the window: the next block is the first of a folder.
  void reset();
  // Decodes one block into exactly outSize bytes (at most kMszipFrameSize).
  // Throws fmt::Error (Corrupt, Truncated) on bad data.
  void decodeBlock(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

// Frames through our deflate encoder (codecs/deflate_encoder.h), whose levels
// 1..9 it takes: for programs and data, 1..3 a fast lazy parse and 4..9 priced
// shortest-path parses of growing effort; for text, a chain parse at every
// level. 9 is the smallest and slowest.
class MszipEncoder {
 public:
  explicit MszipEncoder(int level = 9);
  ~MszipEncoder();
  MszipEncoder(const MszipEncoder&) = delete;
  MszipEncoder& operator=(const MszipEncoder&) = delete;

  void reset();
  // Appends the block for the next frame of the folder (n <= kMszipFrameSize;
  // only the last frame may be shorter). The block refers back into the frames
  // before it, as the decoder's window allows, and ends with a final block.
  void encodeFrame(const uint8_t* in, size_t n, std::vector<uint8_t>& out);
  // The same for a frame whose predecessors are given, not remembered: the last
  // historySize bytes before `in` (at most 32 KB are used). Frames encoded this
  // way depend on no state, so several encoders may share a folder's frames.
  void encodeFrameAfter(const uint8_t* in, size_t historySize, size_t n, std::vector<uint8_t>& out);
  // The blocks of consecutive frames in[0, n) (each kMszipFrameSize but the
  // last) after historySize bytes, one per frame into blocks[0..]: as
  // encodeFrameAfter for each, but searched together, which is faster. The
  // blocks depend only on the arguments.
  void encodeFramesAfter(const uint8_t* in, size_t historySize, size_t n, std::vector<std::vector<uint8_t>>& blocks);
  static size_t maxFrameBytes(size_t n) { return n + n / 1000 + 64; }

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace fmt::codecs
