#include "codecs/deflate/gzip_encoder.h"

#include <zlib.h>

#include <cstring>
#include <vector>

#include "core/checksum.h"
#include "core/copy.h"

namespace fmt::codecs {

using namespace gzip;

struct GzipEncoder::State {
  State(OutStream& o, int level) : out(o) {
    if (level < 1 || level > 9) fail(ErrorKind::Usage, "gzip levels are 1 to 9");
    std::memset(&z, 0, sizeof z);
    if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      fail(ErrorKind::Io, "cannot start the deflater");
  }
  ~State() { deflateEnd(&z); }

  OutStream& out;
  z_stream z;
  uint8_t buf[1 << 16];
  uint32_t crc = 0;
  uint64_t in = 0, written = 0;
  bool finished = false;

  void put(const void* p, size_t n) {
    out.write(p, n);
    written += n;
  }

  void writeHeader(int level, const GzipHeader& h) {
    uint8_t fixed[kFixedHeaderSize] = {kId1, kId2, kMethodDeflate, 0, 0, 0, 0, 0, 0, h.os};
    if (h.hasName) fixed[3] |= kFlagName;
    if (!h.comment.empty()) fixed[3] |= kFlagComment;
    for (int i = 0; i < 4; i++) fixed[4 + i] = static_cast<uint8_t>(h.mtime >> (8 * i));
    fixed[8] = level == 9 ? 2 : (level == 1 ? 4 : 0);
    put(fixed, sizeof fixed);
    // A NUL inside would end the field early; the name is cut there.
    if (h.hasName) put(h.name.c_str(), std::strlen(h.name.c_str()) + 1);
    if (!h.comment.empty()) put(h.comment.c_str(), std::strlen(h.comment.c_str()) + 1);
  }

  void run(const uint8_t* p, size_t n, int flush) {
    z.next_in = const_cast<Bytef*>(p);
    z.avail_in = static_cast<uInt>(n);
    for (;;) {
      z.next_out = buf;
      z.avail_out = sizeof buf;
      const int ret = deflate(&z, flush);
      if (ret == Z_STREAM_ERROR) fail(ErrorKind::Io, "the deflater failed");
      put(buf, sizeof buf - z.avail_out);
      if (flush == Z_FINISH ? ret == Z_STREAM_END : (z.avail_in == 0 && z.avail_out != 0)) break;
    }
  }
};

GzipEncoder::GzipEncoder(OutStream& out, int level, const GzipHeader& header)
    : s_(std::make_unique<State>(out, level)) {
  s_->writeHeader(level, header);
}
GzipEncoder::~GzipEncoder() = default;

void GzipEncoder::write(const void* data, size_t n) {
  if (s_->finished) fail(ErrorKind::Usage, "write after finish");
  auto* p = static_cast<const uint8_t*>(data);
  s_->crc = crc32Update(s_->crc, p, n);
  s_->in += n;
  while (n > 0) {  // zlib counts in 32 bits
    const size_t step = n > (1u << 30) ? (1u << 30) : n;
    s_->run(p, step, Z_NO_FLUSH);
    p += step;
    n -= step;
  }
}

void GzipEncoder::finish() {
  if (s_->finished) return;
  s_->finished = true;
  s_->run(nullptr, 0, Z_FINISH);
  uint8_t trailer[kTrailerSize];
  const uint32_t size = static_cast<uint32_t>(s_->in);
  for (int i = 0; i < 4; i++) {
    trailer[i] = static_cast<uint8_t>(s_->crc >> (8 * i));
    trailer[4 + i] = static_cast<uint8_t>(size >> (8 * i));
  }
  s_->put(trailer, sizeof trailer);
}

uint64_t GzipEncoder::bytesIn() const { return s_->in; }
uint64_t GzipEncoder::bytesOut() const { return s_->written; }

uint64_t gzipEncode(InStream& in, OutStream& out, int level, const GzipHeader& header, const ProgressFn& progress) {
  GzipEncoder enc(out, level, header);
  return encodeStream(in, enc, 1 << 16, progress);
}

}  // namespace fmt::codecs
