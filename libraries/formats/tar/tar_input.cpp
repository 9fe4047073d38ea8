#include "tar/tar_input.h"

#include <algorithm>

namespace fmt::tar {

class DecodedInput::RawStream : public InStream {
 public:
  explicit RawStream(ByteSource& src) : src_(src) {}
  size_t read(void* buf, size_t n) override {
    const size_t got = src_.readAt(pos_, buf, n);
    pos_ += got;
    return got;
  }
  uint64_t pos_ = 0;

 private:
  ByteSource& src_;
};

DecodedInput::DecodedInput(ByteSource& src, Filter filter) : src_(src), filter_(filter) { restart(); }
DecodedInput::~DecodedInput() = default;

void DecodedInput::restart() {
  decoder_.reset();
  raw_ = std::make_unique<RawStream>(src_);
  decoder_ = makeDecoder(filter_, *raw_);
  pos_ = 0;
  valid_ = true;
}

size_t DecodedInput::read(void* buf, size_t n) {
  auto* p = static_cast<uint8_t*>(buf);
  size_t got = 0;
  while (got < n) {
    const size_t r = decoder_->read(p + got, n - got);
    if (r == 0) break;
    got += r;
  }
  pos_ += got;
  return got;
}

bool DecodedInput::seek(uint64_t pos) {
  if (!valid_) restart();
  if (pos == pos_) return true;
  if (filter_ == Filter::None) {
    // The raw bytes are the archive: jump.
    raw_->pos_ = std::min(pos, src_.size());
    pos_ = raw_->pos_;
    return pos_ == pos;
  }
  if (pos < pos_) restart();
  uint8_t scratch[1 << 16];
  while (pos_ < pos) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof scratch, pos - pos_));
    if (read(scratch, want) < want) return false;
  }
  return true;
}

}  // namespace fmt::tar
