// The LZH reader on arbitrary bytes, from memory: list, then decode every
// member to nowhere.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "capped_sink.h"
#include "base/error.h"
#include "lzh/lzh_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  auto reader = fmt::lzh::LzhReader::open(fmt::memoryByteSource(std::move(bytes)));
  if (!reader) return 0;
  CappedSink sink(4u << 20);  // all members together
  for (size_t i = 0; i < reader->entries().size(); ++i) {
    try {
      reader->extract(i, sink);
    } catch (const fmt::Error& e) {
      if (sink.total > (4u << 20)) break;
    }
  }
  return 0;
}
