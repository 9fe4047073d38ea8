// Random access to the bytes of an archive: the file itself, or memory (tests
// and fuzzing). The readers that seek take one: ZIP, read from its end, and tar,
// which jumps over entries when nothing decodes its stream.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fmt {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Reads up to n bytes at `pos`; fewer only at the end of the data.
  virtual size_t readAt(uint64_t pos, void* buf, size_t n) = 0;
};

std::unique_ptr<ByteSource> fileByteSource(const std::string& path);  // throws Io
std::unique_ptr<ByteSource> memoryByteSource(std::vector<uint8_t> data);

// Reads exactly n bytes at pos or throws Truncated naming `what`.
void readExactAt(ByteSource& src, uint64_t pos, void* buf, size_t n, const char* what);

}  // namespace fmt
