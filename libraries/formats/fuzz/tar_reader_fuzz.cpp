// The tar reader on arbitrary bytes, plain or behind any compressed form: open,
// then extract every entry to nowhere, in order and once more backwards; then
// opened for a walk (what the library's kind, check and extraction use) and
// walked, extracting every other entry with names read as EUC-JP, and once more
// extracting all.
#include <cstddef>
#include <cstdint>

#include "capped_sink.h"
#include "base/error.h"
#include "tar/tar_reader.h"

namespace {

void extractOne(fmt::tar::TarReader& r, size_t i) {
  try {
    CappedSink sink(64u << 20);
    r.extract(i, sink);
  } catch (const fmt::Error&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    auto reader = fmt::tar::TarReader::open(fmt::memoryByteSource(std::vector<uint8_t>(data, data + size)), "f.gz");
    if (!reader) return 0;
    const size_t n = reader->entries().size();
    for (size_t i = 0; i < n; i++) extractOne(*reader, i);
    for (size_t i = n; i-- > 0;) extractOne(*reader, i);
  } catch (const fmt::Error&) {
  }
  for (size_t every : {1, 2}) {
    try {
      auto walk = fmt::tar::TarReader::open(fmt::memoryByteSource(std::vector<uint8_t>(data, data + size)), "f.gz",
                                            0, fmt::tar::Opening::ForWalk);
      if (!walk) return 0;
      (void)walk->kind();
      if (every == 2) walk->readNamesAsEucJp();  // the e switch's reading
      for (size_t i = 0; i < walk->entries().size() || walk->readMore(); i++)
        if (i % every == 0) extractOne(*walk, i);
    } catch (const fmt::Error&) {
    }
  }
  return 0;
}
