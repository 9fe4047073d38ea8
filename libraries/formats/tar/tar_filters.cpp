#include "tar/tar_filters.h"

#include <cstring>

#include "codecs/bzip2/bzip2.h"
#include "codecs/deflate/gzip_decoder.h"
#include "codecs/deflate/gzip_encoder.h"
#include "codecs/lzw/lzw_decoder.h"
#include "codecs/lzw/lzw_encoder.h"
#include "codecs/lzw/lzw_format.h"

namespace fmt::tar {

Filter detectFilter(const uint8_t* p, size_t n) {
  if (codecs::gzip::looksLikeHeader(p, n)) return Filter::Gzip;
  if (codecs::lzw::looksLikeHeader(p, n)) return Filter::Compress;
  // "BZh", the block size digit, then a block or the end-of-stream marker.
  if (n >= 10 && std::memcmp(p, "BZh", 3) == 0 && p[3] >= '1' && p[3] <= '9' &&
      (std::memcmp(p + 4, "\x31\x41\x59\x26\x53\x59", 6) == 0 || std::memcmp(p + 4, "\x17\x72\x45\x38\x50\x90", 6) == 0))
    return Filter::Bzip2;
  return Filter::None;
}

const char* filterName(Filter f) {
  switch (f) {
    case Filter::Gzip: return "gzip";
    case Filter::Compress: return "compress";
    case Filter::Bzip2: return "bzip2";
    case Filter::None: break;
  }
  return "stored";
}

namespace {

class PassThrough : public InStream {
 public:
  explicit PassThrough(InStream& in) : in_(in) {}
  size_t read(void* buf, size_t n) override { return in_.read(buf, n); }

 private:
  InStream& in_;
};

}  // namespace

std::unique_ptr<InStream> makeDecoder(Filter f, InStream& raw) {
  switch (f) {
    case Filter::Gzip: return std::make_unique<codecs::GzipInStream>(raw);
    case Filter::Compress: return std::make_unique<codecs::LzwInStream>(raw);
    case Filter::Bzip2: return std::make_unique<codecs::Bzip2InStream>(raw, true);
    case Filter::None: break;
  }
  return std::make_unique<PassThrough>(raw);
}

struct CompressingOutStream::Impl {
  OutStream& out;
  std::unique_ptr<codecs::GzipEncoder> gzip;
  std::unique_ptr<codecs::Bzip2Encoder> bzip2;
  std::unique_ptr<codecs::LzwEncoder> lzw;
};

CompressingOutStream::CompressingOutStream(OutStream& out, Filter f, int level, const codecs::GzipHeader& gzipHeader)
    : impl_(new Impl{out, nullptr, nullptr, nullptr}) {
  switch (f) {
    case Filter::Gzip: impl_->gzip = std::make_unique<codecs::GzipEncoder>(out, level, gzipHeader); break;
    case Filter::Bzip2: impl_->bzip2 = std::make_unique<codecs::Bzip2Encoder>(out, level); break;
    case Filter::Compress: impl_->lzw = std::make_unique<codecs::LzwEncoder>(out, codecs::LzwOptions{}); break;
    case Filter::None: break;
  }
}

CompressingOutStream::~CompressingOutStream() = default;

void CompressingOutStream::write(const void* buf, size_t n) {
  if (impl_->gzip) impl_->gzip->write(buf, n);
  else if (impl_->bzip2) impl_->bzip2->write(buf, n);
  else if (impl_->lzw) impl_->lzw->write(buf, n);
  else impl_->out.write(buf, n);
}

void CompressingOutStream::finish() {
  if (impl_->gzip) impl_->gzip->finish();
  if (impl_->bzip2) impl_->bzip2->finish();
  if (impl_->lzw) impl_->lzw->finish();
}

}  // namespace fmt::tar
