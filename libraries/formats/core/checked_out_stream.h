// The stream a reader decodes an entry into: it passes the bytes on, counts them,
// keeps their check value and reports progress after every write. A progress
// callback that returns false makes the write throw ErrorKind::Cancelled.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/error.h"
#include "base/stream.h"
#include "core/archive.h"
#include "core/checksum.h"

namespace fmt {

// The check values: CRC-16 (LZH), CRC-32 (ZIP), none (tar, Cabinet, whose
// formats check elsewhere or not at all).
struct Crc16Check {
  uint16_t value = 0;
  void update(const void* p, size_t n) { value = crc16Update(value, p, n); }
};
struct Crc32Check {
  uint32_t value = 0;
  void update(const void* p, size_t n) { value = crc32Update(value, p, n); }
};
struct NoCheck {
  void update(const void*, size_t) {}
};

template <typename Check>
class CheckedOutStream : public OutStream {
 public:
  // `total` is the entry's stated size, given to the progress callback. With
  // `beyondTotal`, a write that would pass more than `total` bytes throws
  // Corrupt with that message before any of it is passed on: a stream that
  // claims less than it produces (a bomb) stops there.
  CheckedOutStream(OutStream& out, uint64_t total, const ProgressFn& progress, const char* beyondTotal = nullptr)
      : out_(out), total_(total), progress_(progress), beyondTotal_(beyondTotal) {}
  // The callback is kept by reference: it must outlive the stream.
  CheckedOutStream(OutStream&, uint64_t, ProgressFn&&, const char* = nullptr) = delete;

  void write(const void* buf, size_t n) override {
    if (beyondTotal_ && n > total_ - done_) fail(ErrorKind::Corrupt, beyondTotal_);
    check_.update(buf, n);
    out_.write(buf, n);
    done_ += n;
    if (progress_ && !progress_(done_, total_)) fail(ErrorKind::Cancelled, "cancelled");
  }

  uint64_t done() const { return done_; }
  auto check() const { return check_.value; }

 private:
  OutStream& out_;
  uint64_t total_;
  const ProgressFn& progress_;
  const char* beyondTotal_;
  Check check_;
  uint64_t done_ = 0;
};

}  // namespace fmt
