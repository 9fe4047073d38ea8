#include "lzh/lzh_source.h"

#include <cstring>

namespace fmt::lzh {

size_t FileSource::readAt(uint64_t offset, void* buf, size_t n) {
  if (offset >= size_) return 0;
  file_->seek(offset);
  size_t got = 0;
  auto* p = static_cast<uint8_t*>(buf);
  while (got < n) {
    size_t r = file_->read(p + got, n - got);
    if (r == 0) break;
    got += r;
  }
  return got;
}

size_t MemorySource::readAt(uint64_t offset, void* buf, size_t n) {
  if (offset >= data_.size()) return 0;
  size_t avail = data_.size() - static_cast<size_t>(offset);
  if (n > avail) n = avail;
  std::memcpy(buf, data_.data() + offset, n);
  return n;
}

}  // namespace fmt::lzh
