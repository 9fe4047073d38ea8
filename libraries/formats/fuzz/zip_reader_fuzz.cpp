// The ZIP reader on arbitrary bytes: open, then decode every entry to nowhere.
#include <cstddef>
#include <cstdint>

#include "capped_sink.h"
#include "base/error.h"
#include "zip/zip_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    auto reader = fmt::zip::ZipReader::open(fmt::memoryByteSource(std::vector<uint8_t>(data, data + size)));
    if (!reader) return 0;
    int asked = 0;
    reader->setPasswordFn([&asked](const fmt::Entry&, std::string& pw) {
      pw = asked++ % 2 ? "password" : "secret";
      return asked < 8;
    });
    for (size_t i = 0; i < reader->entries().size(); i++) {
      try {
        CappedSink sink(64u << 20);
        reader->extract(i, sink);
      } catch (const fmt::Error&) {
      }
    }
  } catch (const fmt::Error&) {
  }
  return 0;
}
