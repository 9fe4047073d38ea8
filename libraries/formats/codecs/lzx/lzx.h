// LZX as Cabinet folders carry it: a 16-bit little-endian bit stream cut into
// frames of 32768 output bytes, one frame per CFDATA block, each frame ending on
// a 16-bit boundary. Window, repeated offsets, trees, the open block and the E8
// call translation carry across the frames of one folder; reset() starts a folder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace fmt::codecs {

inline constexpr size_t kLzxFrameSize = 32768;
inline constexpr int kLzxMinWindowBits = 15;
inline constexpr int kLzxMaxWindowBits = 21;

class LzxDecoder {
 public:
  // windowBits 15..21 (Usage error otherwise).
  explicit LzxDecoder(int windowBits);
  ~LzxDecoder();
  LzxDecoder(const LzxDecoder&) = delete;
  LzxDecoder& operator=(const LzxDecoder&) = delete;

  // Forgets everything: the next block is the first frame of a folder.
  void reset();

  // Decodes one CFDATA block: `in` holds its compressed bytes, `out` receives
  // exactly outSize bytes (at most kLzxFrameSize; only a folder's last frame is
  // shorter). Throws fmt::Error (Corrupt, Truncated, Usage) on bad data; after an
  // error only reset() makes the decoder usable again.
  void decodeBlock(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

class LzxEncoder {
 public:
  // windowBits 15..21 (Usage error otherwise). callTranslationSize > 0 turns
  // on the x86 call translation (E8) with that size, which helps programs;
  // 0 leaves it off.
  explicit LzxEncoder(int windowBits, int32_t callTranslationSize = 0);
  ~LzxEncoder();
  LzxEncoder(const LzxEncoder&) = delete;
  LzxEncoder& operator=(const LzxEncoder&) = delete;

  // Starts a new folder.
  void reset();

  // 1: everything on the calling thread; otherwise (the default) encodeFrames
  // searches part of the matches on a second thread. The output is the same.
  void setThreads(unsigned threads);

  // Compresses the next frame of the folder (n <= kLzxFrameSize; only the last
  // frame of a folder may be shorter) and appends that CFDATA block's compressed
  // bytes to `out`. Each frame is self-contained on output: nothing is held back.
  void encodeFrame(const uint8_t* in, size_t n, std::vector<uint8_t>& out);

  // Compresses the next n bytes of the folder as consecutive frames (all of
  // kLzxFrameSize but a folder's last) and appends one CFDATA block's bytes per
  // frame to `frames`. Blocks may span the frames of one call, which saves
  // their trees: batches of many frames compress better than single frames.
  void encodeFrames(const uint8_t* in, size_t n, std::vector<std::vector<uint8_t>>& frames);

  // Upper bound of what either call produces for one frame of n input bytes.
  static size_t maxFrameBytes(size_t n) { return n + n / 8 + 1024; }

  // A translation size for folders of programs: call targets inside the first
  // 12 MB of a folder are made absolute.
  static constexpr int32_t kCallTranslationSize = 12000000;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace fmt::codecs
