#include "core/copy.h"

#include <vector>

namespace fmt {

uint64_t copyStream(InStream& in, OutStream& out, const ProgressFn& progress) {
  std::vector<uint8_t> buf(1 << 16);
  uint64_t total = 0, reported = 0;
  for (;;) {
    const size_t got = in.read(buf.data(), buf.size());
    if (got == 0) break;
    out.write(buf.data(), got);
    total += got;
    if (progress && total - reported >= (1u << 20)) {
      reported = total;
      if (!progress(total, 0)) fail(ErrorKind::Cancelled, "cancelled");
    }
  }
  return total;
}

}  // namespace fmt
