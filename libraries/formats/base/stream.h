// Byte streams the codecs and containers read from and write to.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/error.h"

namespace fmt {

class InStream {
 public:
  virtual ~InStream() = default;
  // Reads up to n bytes; returns fewer only at the end of the data (0 there).
  virtual size_t read(void* buf, size_t n) = 0;
};

class OutStream {
 public:
  virtual ~OutStream() = default;
  // Writes all n bytes or throws.
  virtual void write(const void* buf, size_t n) = 0;
};

// Reads exactly n bytes or throws Truncated.
inline void readExact(InStream& in, void* buf, size_t n, const char* what = "data") {
  size_t got = 0;
  auto* p = static_cast<uint8_t*>(buf);
  while (got < n) {
    size_t r = in.read(p + got, n - got);
    if (r == 0) fail(ErrorKind::Truncated, std::string("unexpected end of ") + what);
    got += r;
  }
}

class MemoryInStream : public InStream {
 public:
  MemoryInStream(const void* data, size_t size) : p_(static_cast<const uint8_t*>(data)), left_(size) {}
  explicit MemoryInStream(const std::vector<uint8_t>& v) : MemoryInStream(v.data(), v.size()) {}
  size_t read(void* buf, size_t n) override {
    if (n > left_) n = left_;
    if (n) std::memcpy(buf, p_, n);
    p_ += n;
    left_ -= n;
    return n;
  }
  size_t remaining() const { return left_; }

 private:
  const uint8_t* p_;
  size_t left_;
};

class MemoryOutStream : public OutStream {
 public:
  void write(const void* buf, size_t n) override {
    auto* p = static_cast<const uint8_t*>(buf);
    data.insert(data.end(), p, p + n);
  }
  std::vector<uint8_t> data;
};

// Reads at most `limit` bytes of another stream: a member inside a container.
class LimitedInStream : public InStream {
 public:
  LimitedInStream(InStream& in, uint64_t limit) : in_(in), left_(limit) {}
  size_t read(void* buf, size_t n) override {
    if (n > left_) n = static_cast<size_t>(left_);
    if (n == 0) return 0;
    size_t r = in_.read(buf, n);
    left_ -= r;
    return r;
  }
  uint64_t remaining() const { return left_; }

 private:
  InStream& in_;
  uint64_t left_;
};

// Discards what is written; counts it.
class NullOutStream : public OutStream {
 public:
  void write(const void*, size_t n) override { count += n; }
  uint64_t count = 0;
};

}  // namespace fmt
