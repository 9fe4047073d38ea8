#include "codecs/deflate/raw_inflater.h"

#include <zlib.h>

#include <algorithm>

#include "base/error.h"

namespace fmt::codecs {
namespace {

constexpr size_t kMaxStep = size_t{1} << 30;  // zlib counts in uInt
constexpr size_t kWindow = 32768;

}  // namespace

RawInflater::RawInflater(const char* startFailure) : z_(std::make_unique<z_stream>()) {
  if (inflateInit2(z_.get(), -MAX_WBITS) != Z_OK) fail(ErrorKind::Io, startFailure);
}

RawInflater::~RawInflater() { inflateEnd(z_.get()); }

bool RawInflater::reset(const uint8_t* history, size_t historySize) {
  if (inflateReset(z_.get()) != Z_OK) return false;
  if (historySize == 0) return true;
  const size_t keep = std::min(historySize, kWindow);
  return inflateSetDictionary(z_.get(), history + historySize - keep, static_cast<uInt>(keep)) == Z_OK;
}

RawInflater::Step RawInflater::step(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
  z_stream& z = *z_;
  z.next_in = const_cast<Bytef*>(in);
  z.avail_in = static_cast<uInt>(std::min(inSize, kMaxStep));
  z.next_out = out;
  z.avail_out = static_cast<uInt>(std::min(outSize, kMaxStep));
  const uInt inBefore = z.avail_in, outBefore = z.avail_out;
  // Z_NO_FLUSH: zlib's inflate hands out all it decoded whatever the flush.
  const int rc = inflate(&z, Z_NO_FLUSH);
  Step s;
  s.used = inBefore - z.avail_in;
  s.made = outBefore - z.avail_out;
  switch (rc) {
    case Z_OK: s.status = Status::Progress; break;
    case Z_STREAM_END: s.status = Status::End; break;
    case Z_BUF_ERROR: s.status = Status::Stalled; break;
    case Z_DATA_ERROR:
    case Z_NEED_DICT: s.status = Status::Damaged; break;
    case Z_MEM_ERROR: s.status = Status::OutOfMemory; break;
    default: s.status = Status::Refused; break;
  }
  return s;
}

const char* RawInflater::message() const { return z_->msg; }

}  // namespace fmt::codecs
