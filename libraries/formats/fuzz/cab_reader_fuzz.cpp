// The Cabinet reader on arbitrary bytes: open (the opener takes a path, so the
// input goes to a file in a private folder), then decode every entry to nowhere.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "capped_sink.h"
#include "core/archive.h"
#include "base/error.h"
#include "cab/cab_reader.h"

namespace {

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
    CappedSink sink(64u << 20);  // all entries together
    for (size_t i = 0; i < reader->entries().size() && sink.total <= (64u << 20); i++) {
      try {
        reader->extract(i, sink);
      } catch (const fmt::Error&) {
      }
    }
  } catch (const fmt::Error&) {
  }
  return 0;
}
