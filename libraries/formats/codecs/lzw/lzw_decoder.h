// Decoder of compress (.Z) data: 9..16-bit codes, block mode with CLEAR or not.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/archive.h"
#include "base/stream.h"

namespace fmt::codecs {

// Pull-style: reading it gives the decoded bytes of the .Z stream in `in`
// (header included). Throws Corrupt on a bad header or an impossible code,
// Unsupported for a width above 16 bits. The format has no end marker and no
// check value: the data ends where `in` ends. `in` must outlive it.
class LzwInStream : public InStream {
 public:
  explicit LzwInStream(InStream& in);
  ~LzwInStream() override;
  LzwInStream(const LzwInStream&) = delete;
  LzwInStream& operator=(const LzwInStream&) = delete;

  size_t read(void* buf, size_t n) override;

  int maxBits() const;   // after the first read; 0 before
  bool blockMode() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

// Decodes all of `in` into `out`; returns the bytes written. `progress` gets
// (bytes written, 0) about every megabyte.
uint64_t lzwDecode(InStream& in, OutStream& out, const ProgressFn& progress = {});

}  // namespace fmt::codecs
