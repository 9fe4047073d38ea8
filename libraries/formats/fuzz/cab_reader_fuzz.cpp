// The Cabinet reader on arbitrary bytes: open (the opener takes a path, so the
// input goes to a file in a private folder), then decode every entry to nowhere.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/archive.h"
#include "core/error.h"

namespace {

// All entries together: a few bytes of hostile folder can stand for gigabytes.
class CappedSink : public fmt::OutStream {
 public:
  explicit CappedSink(uint64_t& total) : total_(total) {}
  void write(const void*, size_t n) override {
    total_ += n;
    if (total_ > (64u << 20)) fmt::fail(fmt::ErrorKind::Usage, "fuzz output cap");
  }

 private:
  uint64_t& total_;
};

std::string inputPath() {
  char dir[] = "/tmp/cab-fuzz-XXXXXX";
  if (!mkdtemp(dir)) std::abort();
  return std::string(dir) + "/input.cab";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = inputPath();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    auto reader = fmt::openCab(path);
    if (!reader) return 0;
    uint64_t total = 0;
    for (size_t i = 0; i < reader->entries().size() && total <= (64u << 20); i++) {
      try {
        CappedSink sink(total);
        reader->extract(i, sink);
      } catch (const fmt::Error&) {
      }
    }
  } catch (const fmt::Error&) {
  }
  return 0;
}
