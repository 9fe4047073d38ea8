#include "tar/tar_input.h"

#include <algorithm>
#include <cstring>

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

uint64_t DecodedInput::rawPosition() const { return raw_->pos_; }

void DecodedInput::restart() {
  decoder_.reset();
  raw_ = std::make_unique<RawStream>(src_);
  decoder_ = makeDecoder(filter_, *raw_);
  pos_ = 0;
  decoded_ = 0;
  head_.clear();
  valid_ = true;
}

size_t DecodedInput::read(void* buf, size_t n) {
  auto* p = static_cast<uint8_t*>(buf);
  size_t got = 0;
  if (pos_ < decoded_) {  // going over the kept start again
    got = static_cast<size_t>(std::min<uint64_t>(n, decoded_ - pos_));
    std::memcpy(p, head_.data() + pos_, got);
  }
  while (got < n) {
    const size_t r = decoder_->read(p + got, n - got);
    if (r == 0) break;
    if (decoded_ < kKeptStart && filter_ != Filter::None)
      head_.insert(head_.end(), p + got, p + got + std::min<size_t>(r, kKeptStart - decoded_));
    decoded_ += r;
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
    pos_ = decoded_ = raw_->pos_;
    return pos_ == pos;
  }
  if (pos < pos_) {
    if (decoded_ == head_.size()) {  // all decoded so far is kept: no restart
      pos_ = pos;
      return true;
    }
    restart();
  }
  uint8_t scratch[1 << 16];
  while (pos_ < pos) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof scratch, pos - pos_));
    if (read(scratch, want) < want) return false;
  }
  return true;
}

}  // namespace fmt::tar
