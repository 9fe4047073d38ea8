// An entry's stored data as a stream over the archive's bytes (ZIP is read from
// its end, so the archive is a ByteSource, not a stream).
#pragma once
#include <cstdint>

#include "core/byte_source.h"
#include "base/stream.h"

namespace fmt::zip {

// A byte range of a source as a stream: an entry's stored data.
class RangeInStream : public InStream {
 public:
  RangeInStream(ByteSource& src, uint64_t pos, uint64_t length) : src_(src), pos_(pos), left_(length) {}
  size_t read(void* buf, size_t n) override;
  uint64_t remaining() const { return left_; }

 private:
  ByteSource& src_;
  uint64_t pos_, left_;
};

}  // namespace fmt::zip
