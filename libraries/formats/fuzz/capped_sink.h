// Output that goes nowhere and stops the entry once `limit` bytes have passed:
// a few hostile bytes can claim gigabytes, and a fuzz run must not wait for them.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/error.h"
#include "base/stream.h"

class CappedSink : public fmt::OutStream {
 public:
  explicit CappedSink(uint64_t limit) : limit_(limit) {}
  void write(const void*, size_t n) override {
    total += n;
    if (total > limit_) fmt::fail(fmt::ErrorKind::Usage, "fuzz output cap");
  }
  uint64_t total = 0;

 private:
  uint64_t limit_;
};
