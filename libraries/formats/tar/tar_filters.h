// The compressed forms a tar archive (or a single file) comes in, recognised by
// their first bytes; decoders over a raw stream and encoders over an output.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "codecs/deflate/gzip_format.h"
#include "base/stream.h"

namespace fmt::tar {

enum class Filter { None, Gzip, Compress, Bzip2 };

Filter detectFilter(const uint8_t* p, size_t n);
const char* filterName(Filter f);  // "gzip", "compress", "bzip2"; "stored" for None

// Reading it gives the decoded bytes of `raw`, which must outlive it.
std::unique_ptr<InStream> makeDecoder(Filter f, InStream& raw);

// Compresses what is written to it into `out`; finish() ends the stream.
class CompressingOutStream : public OutStream {
 public:
  // `level` 1..9 for gzip and bzip2; compress always uses 16-bit codes in block mode.
  CompressingOutStream(OutStream& out, Filter f, int level, const codecs::GzipHeader& gzipHeader = {});
  ~CompressingOutStream() override;
  void write(const void* buf, size_t n) override;
  void finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace fmt::tar
