#include "zip/zip_methods.h"

#include <zlib.h>

#include <vector>

#include "codecs/bzip2.h"
#include "codecs/deflate64_decoder.h"
#include "zip/zip_format.h"

namespace fmt::zip {
namespace {

constexpr size_t kChunk = 1 << 18;

void copyAll(InStream& in, OutStream& out) {
  std::vector<uint8_t> buf(kChunk);
  while (size_t r = in.read(buf.data(), buf.size())) out.write(buf.data(), r);
}

// zlib's raw inflate: faster than ours, and deflate is by far the common method.
void inflateDeflate(InStream& in, OutStream& out) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) fail(ErrorKind::Io, "cannot start the deflate decoder");
  struct End {
    z_stream& z;
    ~End() { inflateEnd(&z); }
  } end{z};
  std::vector<uint8_t> inBuf(kChunk), outBuf(kChunk);
  for (;;) {
    if (z.avail_in == 0) {
      size_t r = in.read(inBuf.data(), inBuf.size());
      if (r == 0) fail(ErrorKind::Truncated, "deflate data ends too early");
      z.next_in = inBuf.data();
      z.avail_in = static_cast<uInt>(r);
    }
    z.next_out = outBuf.data();
    z.avail_out = static_cast<uInt>(outBuf.size());
    int rc = inflate(&z, Z_NO_FLUSH);
    size_t made = outBuf.size() - z.avail_out;
    if (made) out.write(outBuf.data(), made);
    if (rc == Z_STREAM_END) return;
    if (rc == Z_MEM_ERROR) fail(ErrorKind::Io, "out of memory in the deflate decoder");
    if (rc != Z_OK && rc != Z_BUF_ERROR)
      fail(ErrorKind::Corrupt, std::string("deflate data: ") + (z.msg ? z.msg : "invalid"));
  }
}

}  // namespace

bool methodSupported(uint16_t method) {
  return method == kMethodStored || method == kMethodDeflate || method == kMethodDeflate64 || method == kMethodBzip2;
}

void decompress(uint16_t method, InStream& in, OutStream& out) {
  switch (method) {
    case kMethodStored: copyAll(in, out); break;
    case kMethodDeflate: inflateDeflate(in, out); break;
    case kMethodDeflate64: inflateRaw(in, out, DeflateVariant::Deflate64); break;
    case kMethodBzip2: codecs::bzip2Decode(in, out, false); break;
    default: fail(ErrorKind::Unsupported, "compression method " + methodName(method) + " is not supported");
  }
}

}  // namespace fmt::zip
