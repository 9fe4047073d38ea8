// Where the tar reader gets its bytes: over the raw archive (a ByteSource), the
// decoded stream with a position. Seeking forward reads on; seeking back
// restarts the decoder, so that extracting entries in order decodes the archive
// once.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/byte_source.h"
#include "base/stream.h"
#include "tar/tar_filters.h"

namespace fmt::tar {

class DecodedInput {
 public:
  DecodedInput(ByteSource& src, Filter filter);
  ~DecodedInput();

  size_t read(void* buf, size_t n);  // fewer only at the end of the decoded data
  uint64_t position() const { return pos_; }
  // False when the decoded data ends before `pos` (the position is then its end).
  bool seek(uint64_t pos);
  Filter filter() const { return filter_; }
  // After an error inside the decoder: the next seek starts again from the top.
  void invalidate() { valid_ = false; }
  bool valid() const { return valid_; }
  // Bytes of the raw archive the decoder has taken so far.
  uint64_t rawPosition() const;
  InStream& decoder() { return *decoder_; }  // for the gzip header

 private:
  class RawStream;
  void restart();

  ByteSource& src_;
  Filter filter_;
  std::unique_ptr<RawStream> raw_;
  std::unique_ptr<InStream> decoder_;
  uint64_t pos_ = 0;
  // The first decoded bytes, kept so that going back to them (after telling a
  // tar from a single file) needs no second decode.
  static constexpr size_t kKeptStart = 4096;
  std::vector<uint8_t> head_;
  uint64_t decoded_ = 0;  // bytes the decoder gave since it started
  bool valid_ = true;
};

}  // namespace fmt::tar
