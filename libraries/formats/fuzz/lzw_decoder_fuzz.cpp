// The compress (.Z) decoder on arbitrary bytes; and, as a property, our encoder's
// output at the width and mode the first byte picks decodes back to the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "codecs/lzw/lzw_decoder.h"
#include "codecs/lzw/lzw_encoder.h"
#include "base/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    fmt::MemoryInStream in(data, size);
    fmt::codecs::LzwInStream lzw(in);
    uint8_t buf[4096];
    uint64_t total = 0;
    for (size_t n; (n = lzw.read(buf, sizeof buf)) > 0 && total < (64u << 20);) total += n;
  } catch (const fmt::Error&) {
  }
  fmt::codecs::LzwOptions options;
  if (size) {
    options.maxBits = 9 + data[0] % 8;
    options.blockMode = (data[0] & 0x80) != 0;
  }
  fmt::MemoryInStream plain(data, size);
  fmt::MemoryOutStream packed;
  fmt::codecs::lzwEncode(plain, packed, options);
  fmt::MemoryInStream back(packed.data);
  fmt::MemoryOutStream out;
  fmt::codecs::lzwDecode(back, out);
  if (out.data.size() != size || (size && std::memcmp(out.data.data(), data, size) != 0)) std::abort();
  return 0;
}
