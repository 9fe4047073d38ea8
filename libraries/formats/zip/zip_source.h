// Random access to the bytes of a ZIP archive: the file itself, or memory (tests
// and fuzzing). ZIP is read from the end, so a sequential stream does not do.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/stream.h"

namespace fmt::zip {

class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t size() const = 0;
  // Reads up to n bytes at `pos`; fewer only at the end of the data.
  virtual size_t readAt(uint64_t pos, void* buf, size_t n) = 0;
};

// Reads exactly n bytes at pos or throws Truncated naming `what`.
void readExactAt(Source& src, uint64_t pos, void* buf, size_t n, const char* what);

std::unique_ptr<Source> fileSource(const std::string& path);  // throws Io
std::unique_ptr<Source> memorySource(std::vector<uint8_t> data);

// A byte range of a source as a stream: an entry's stored data.
class RangeInStream : public InStream {
 public:
  RangeInStream(Source& src, uint64_t pos, uint64_t length) : src_(src), pos_(pos), left_(length) {}
  size_t read(void* buf, size_t n) override;
  uint64_t remaining() const { return left_; }

 private:
  Source& src_;
  uint64_t pos_, left_;
};

}  // namespace fmt::zip
