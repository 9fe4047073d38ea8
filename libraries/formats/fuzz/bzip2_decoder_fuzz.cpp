// The bzip2 decoder on arbitrary bytes, both ways it is offered: pushed into an
// output stream and pulled in odd-sized reads. Both must agree byte for byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "codecs/bzip2/bzip2.h"
#include "core/checksum.h"
#include "base/error.h"

namespace {

constexpr uint64_t kOutputCap = 64u << 20;  // a tiny input may expand a lot; enough is enough

struct Capped {};

class HashingOut : public fmt::OutStream {
 public:
  void write(const void* buf, size_t n) override {
    if (count + n > kOutputCap) throw Capped();
    crc = fmt::crc32Update(crc, buf, n);
    count += n;
  }
  uint64_t count = 0;
  uint32_t crc = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HashingOut pushed;
  bool pushedOk = false;
  try {
    fmt::MemoryInStream in(data, size);
    fmt::codecs::bzip2Decode(in, pushed);
    pushedOk = true;
  } catch (const fmt::Error&) {
  } catch (const Capped&) {
    return 0;
  }

  HashingOut pulled;
  bool pulledOk = false;
  try {
    fmt::MemoryInStream in(data, size);
    fmt::codecs::Bzip2InStream bz(in);
    uint8_t buf[4093];
    size_t n;
    while ((n = bz.read(buf, sizeof buf)) > 0) pulled.write(buf, n);
    pulledOk = true;
  } catch (const fmt::Error&) {
  } catch (const Capped&) {
    return 0;
  }
  if (pushedOk != pulledOk || (pushedOk && (pushed.count != pulled.count || pushed.crc != pulled.crc))) std::abort();
  return 0;
}
