// Random access to the bytes of an archive: a file, or memory for tests and
// fuzzing. Members are read through a buffered stream over a byte range.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/stream.h"
#include "platform/platform.h"

namespace fmt::lzh {

class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t size() const = 0;
  // Reads up to n bytes at `offset`; fewer only at the end.
  virtual size_t readAt(uint64_t offset, void* buf, size_t n) = 0;
};

class FileSource : public Source {
 public:
  explicit FileSource(const std::string& path) : file_(platform::File::open(path, platform::File::Read)) {
    size_ = file_->size();
  }
  uint64_t size() const override { return size_; }
  size_t readAt(uint64_t offset, void* buf, size_t n) override;

 private:
  std::unique_ptr<platform::File> file_;
  uint64_t size_ = 0;
};

class MemorySource : public Source {
 public:
  explicit MemorySource(std::vector<uint8_t> data) : data_(std::move(data)) {}
  uint64_t size() const override { return data_.size(); }
  size_t readAt(uint64_t offset, void* buf, size_t n) override;

 private:
  std::vector<uint8_t> data_;
};

// The bytes [offset, offset + length) of a source as a stream.
class RangeInStream : public InStream {
 public:
  RangeInStream(Source& src, uint64_t offset, uint64_t length) : src_(src), pos_(offset), left_(length) {}
  size_t read(void* buf, size_t n) override {
    if (n > left_) n = static_cast<size_t>(left_);
    if (n == 0) return 0;
    size_t got = src_.readAt(pos_, buf, n);
    pos_ += got;
    left_ -= got;
    return got;
  }

 private:
  Source& src_;
  uint64_t pos_;
  uint64_t left_;
};

}  // namespace fmt::lzh
