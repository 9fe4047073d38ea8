// Encoder writing compress (.Z) data that `compress -d` reads.
#pragma once
#include <cstdint>
#include <memory>

#include "core/archive.h"
#include "base/stream.h"

namespace fmt::codecs {

struct LzwOptions {
  int maxBits = 16;        // 9..16
  bool blockMode = true;   // start a new table (CLEAR) when the ratio falls once full
};

// Streaming: write() any number of times, then finish() once; it writes the
// last code. Throws Usage for maxBits outside 9..16.
class LzwEncoder {
 public:
  explicit LzwEncoder(OutStream& out, const LzwOptions& options = {});
  ~LzwEncoder();
  LzwEncoder(const LzwEncoder&) = delete;
  LzwEncoder& operator=(const LzwEncoder&) = delete;

  void write(const void* data, size_t n);
  void finish();

  uint64_t bytesIn() const;
  uint64_t bytesOut() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

// Encodes all of `in`; returns the compressed size. `progress` gets (bytes read, 0).
uint64_t lzwEncode(InStream& in, OutStream& out, const LzwOptions& options = {}, const ProgressFn& progress = {});

}  // namespace fmt::codecs
