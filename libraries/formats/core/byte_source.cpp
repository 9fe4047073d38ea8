#include "core/byte_source.h"

#include <cstring>

#include "base/error.h"
#include "platform/platform.h"

namespace fmt {
namespace {

class FileByteSource : public ByteSource {
 public:
  explicit FileByteSource(std::unique_ptr<platform::File> f) : file_(std::move(f)), size_(file_->size()) {}
  uint64_t size() const override { return size_; }
  size_t readAt(uint64_t pos, void* buf, size_t n) override {
    if (pos >= size_) return 0;
    if (n > size_ - pos) n = static_cast<size_t>(size_ - pos);
    // Entries are mostly read in order, so most reads continue where the last ended.
    if (pos != next_) file_->seek(pos);
    size_t got = 0;
    auto* p = static_cast<uint8_t*>(buf);
    while (got < n) {
      const size_t r = file_->read(p + got, n - got);
      if (r == 0) break;
      got += r;
    }
    next_ = pos + got;
    return got;
  }

 private:
  std::unique_ptr<platform::File> file_;
  uint64_t size_;
  uint64_t next_ = 0;
};

class MemoryByteSource : public ByteSource {
 public:
  explicit MemoryByteSource(std::vector<uint8_t> d) : data_(std::move(d)) {}
  uint64_t size() const override { return data_.size(); }
  size_t readAt(uint64_t pos, void* buf, size_t n) override {
    if (pos >= data_.size()) return 0;
    if (n > data_.size() - pos) n = static_cast<size_t>(data_.size() - pos);
    if (n) std::memcpy(buf, data_.data() + pos, n);
    return n;
  }

 private:
  std::vector<uint8_t> data_;
};

}  // namespace

std::unique_ptr<ByteSource> fileByteSource(const std::string& path) {
  return std::make_unique<FileByteSource>(platform::File::open(path, platform::File::Read));
}

std::unique_ptr<ByteSource> memoryByteSource(std::vector<uint8_t> data) {
  return std::make_unique<MemoryByteSource>(std::move(data));
}

void readExactAt(ByteSource& src, uint64_t pos, void* buf, size_t n, const char* what) {
  if (src.readAt(pos, buf, n) != n) fail(ErrorKind::Truncated, std::string("the archive ends inside ") + what);
}

}  // namespace fmt
