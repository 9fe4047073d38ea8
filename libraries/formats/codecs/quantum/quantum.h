// Quantum decoding as Cabinet folders carry it: an adaptive arithmetic coder
// over frames of 32768 output bytes, one frame per CFDATA block. The window and
// the models carry across the frames of one folder; the coder restarts at every
// frame. reset() starts a folder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace fmt::codecs {

inline constexpr size_t kQuantumFrameSize = 32768;
inline constexpr int kQuantumMinWindowBits = 10;
inline constexpr int kQuantumMaxWindowBits = 21;

class QuantumDecoder {
 public:
  // windowBits 10..21 (Usage error otherwise).
  explicit QuantumDecoder(int windowBits);
  ~QuantumDecoder();
  QuantumDecoder(const QuantumDecoder&) = delete;
  QuantumDecoder& operator=(const QuantumDecoder&) = delete;

  void reset();

  // Decodes one CFDATA block into exactly outSize bytes (at most
  // kQuantumFrameSize). Throws fmt::Error (Corrupt, Truncated, Usage) on bad
  // data; after an error only reset() makes the decoder usable again.
  void decodeBlock(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace fmt::codecs
