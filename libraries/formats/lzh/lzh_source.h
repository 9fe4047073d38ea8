// An LZH member's bytes as a stream: a byte range of the archive's ByteSource.
#pragma once
#include <cstdint>

#include "core/byte_source.h"
#include "base/stream.h"

namespace fmt::lzh {

// The bytes [offset, offset + length) of a source as a stream; it ends early
// where the source does.
class RangeInStream : public InStream {
 public:
  RangeInStream(ByteSource& src, uint64_t offset, uint64_t length) : src_(src), pos_(offset), left_(length) {}
  size_t read(void* buf, size_t n) override {
    if (n > left_) n = static_cast<size_t>(left_);
    if (n == 0) return 0;
    size_t got = src_.readAt(pos_, buf, n);
    pos_ += got;
    left_ -= got;
    return got;
  }

 private:
  ByteSource& src_;
  uint64_t pos_;
  uint64_t left_;
};

}  // namespace fmt::lzh
