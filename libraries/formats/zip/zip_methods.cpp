#include "zip/zip_methods.h"

#include <zlib.h>

#include <vector>

#include "codecs/bzip2/bzip2.h"
#include "codecs/deflate/deflate64_decoder.h"
#include "zip/zip_format.h"

namespace fmt::zip {
namespace {

constexpr size_t kChunk = 1 << 18;

}  // namespace

struct Decompressor::State {
  std::vector<uint8_t> in, out;  // made on first use
  z_stream z{};
  bool zReady = false;

  ~State() {
    if (zReady) inflateEnd(&z);
  }
  void buffers() {
    if (in.empty()) in.resize(kChunk), out.resize(kChunk);
  }

  void copyAll(InStream& src, OutStream& dst) {
    buffers();
    while (size_t r = src.read(in.data(), in.size())) dst.write(in.data(), r);
  }

  // zlib's raw inflate: faster than ours, and deflate is by far the common method.
  void inflateDeflate(InStream& src, OutStream& dst) {
    buffers();
    if (!zReady) {
      if (inflateInit2(&z, -MAX_WBITS) != Z_OK) fail(ErrorKind::Io, "cannot start the deflate decoder");
      zReady = true;
    } else if (inflateReset(&z) != Z_OK) {
      fail(ErrorKind::Io, "cannot restart the deflate decoder");
    }
    z.avail_in = 0;
    for (;;) {
      if (z.avail_in == 0) {
        size_t r = src.read(in.data(), in.size());
        if (r == 0) fail(ErrorKind::Truncated, "deflate data ends too early");
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(r);
      }
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      int rc = inflate(&z, Z_NO_FLUSH);
      size_t made = out.size() - z.avail_out;
      if (made) dst.write(out.data(), made);
      if (rc == Z_STREAM_END) return;
      if (rc == Z_MEM_ERROR) fail(ErrorKind::Io, "out of memory in the deflate decoder");
      if (rc != Z_OK && rc != Z_BUF_ERROR)
        fail(ErrorKind::Corrupt, std::string("deflate data: ") + (z.msg ? z.msg : "invalid"));
    }
  }
};

bool methodSupported(uint16_t method) {
  return method == kMethodStored || method == kMethodDeflate || method == kMethodDeflate64 || method == kMethodBzip2;
}

Decompressor::Decompressor() : s_(std::make_unique<State>()) {}
Decompressor::~Decompressor() = default;

void Decompressor::run(uint16_t method, InStream& in, OutStream& out) {
  switch (method) {
    case kMethodStored: s_->copyAll(in, out); break;
    case kMethodDeflate: s_->inflateDeflate(in, out); break;
    case kMethodDeflate64: inflateRaw(in, out, DeflateVariant::Deflate64); break;
    case kMethodBzip2: codecs::bzip2Decode(in, out, false); break;
    default: fail(ErrorKind::Unsupported, "compression method " + methodName(method) + " is not supported");
  }
}

}  // namespace fmt::zip
