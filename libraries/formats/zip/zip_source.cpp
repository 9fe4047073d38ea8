#include "zip/zip_source.h"

#include "base/error.h"

namespace fmt::zip {

size_t RangeInStream::read(void* buf, size_t n) {
  if (n > left_) n = static_cast<size_t>(left_);
  if (n == 0) return 0;
  size_t r = src_.readAt(pos_, buf, n);
  if (r == 0) fail(ErrorKind::Truncated, "the archive ends inside an entry's data");
  pos_ += r;
  left_ -= r;
  return r;
}

}  // namespace fmt::zip
