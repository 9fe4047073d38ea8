// Encoder writing one gzip member over zlib's deflate.
#pragma once
#include <cstdint>
#include <memory>

#include "codecs/deflate/gzip_format.h"
#include "core/archive.h"
#include "base/stream.h"

namespace fmt::codecs {

// `level` 1..9 (anything else throws Usage). write() any number of times, then
// finish() once for the trailer. The header's name is stored when hasName.
class GzipEncoder {
 public:
  GzipEncoder(OutStream& out, int level = 6, const GzipHeader& header = {});
  ~GzipEncoder();
  GzipEncoder(const GzipEncoder&) = delete;
  GzipEncoder& operator=(const GzipEncoder&) = delete;

  void write(const void* data, size_t n);
  void finish();

  uint64_t bytesIn() const;
  uint64_t bytesOut() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

uint64_t gzipEncode(InStream& in, OutStream& out, int level = 6, const GzipHeader& header = {},
                    const ProgressFn& progress = {});

}  // namespace fmt::codecs
