// The gzip decoder on arbitrary bytes; and, as a property, our encoder's output
// for those bytes decodes back to them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "codecs/deflate/gzip_decoder.h"
#include "codecs/deflate/gzip_encoder.h"
#include "base/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    fmt::MemoryInStream in(data, size);
    fmt::codecs::GzipInStream gz(in);
    gz.firstHeader();
    uint8_t buf[4096];
    uint64_t total = 0;
    for (size_t n; (n = gz.read(buf, sizeof buf)) > 0 && total < (64u << 20);) total += n;
  } catch (const fmt::Error&) {
  }
  fmt::MemoryInStream plain(data, size);
  fmt::MemoryOutStream packed;
  fmt::codecs::gzipEncode(plain, packed, size ? 1 + data[0] % 9 : 6);
  fmt::MemoryInStream back(packed.data);
  fmt::MemoryOutStream out;
  fmt::codecs::gzipDecode(back, out);
  if (out.data.size() != size || (size && std::memcmp(out.data.data(), data, size) != 0)) std::abort();
  return 0;
}
