#include "codecs/lh/lz5_decoder.h"

#include <cstring>
#include <vector>

#include "codecs/lh/lz_window.h"

namespace fmt::codecs {

namespace {

constexpr unsigned kRing = 4096;
constexpr unsigned kStart = kRing - 18;

// The encoder's ring before the first byte: runs of every byte value, both
// ramps, zeros and spaces, so that early matches have something to copy.
std::vector<uint8_t> initialRing() {
  std::vector<uint8_t> ring(kRing, 0);
  uint8_t* p = ring.data() + 18;
  for (int i = 0; i < 256; ++i, p += 13) std::memset(p, i, 13);
  for (int i = 0; i < 256; ++i) *p++ = static_cast<uint8_t>(i);
  for (int i = 0; i < 256; ++i) *p++ = static_cast<uint8_t>(255 - i);
  std::memset(p, 0, 128);
  p += 128;
  std::memset(p, ' ', 128 - 18);
  return ring;
}

class ByteReader {
 public:
  explicit ByteReader(InStream& in) : in_(in) {}
  int next() {
    if (pos_ == end_) {
      end_ = in_.read(buf_, sizeof buf_);
      pos_ = 0;
      if (end_ == 0) fail(ErrorKind::Truncated, "compressed data ends early");
    }
    return buf_[pos_++];
  }

 private:
  InStream& in_;
  uint8_t buf_[1 << 14];
  size_t pos_ = 0, end_ = 0;
};

}  // namespace

void Lz5Decoder::decode(InStream& in, uint64_t size, OutStream& out) {
  static const std::vector<uint8_t> start = initialRing();
  // The window's history is the ring read from the start position backwards.
  std::vector<uint8_t> history(kRing);
  for (unsigned i = 0; i < kRing; ++i) history[i] = start[(kStart + i) & (kRing - 1)];
  LzWindow window(out, size, 16);
  window.preset(history.data(), kRing);

  ByteReader bytes(in);
  unsigned ring = kStart;
  while (window.remaining()) {
    int flags = bytes.next();
    for (int bit = 0; bit < 8 && window.remaining(); ++bit, flags >>= 1) {
      if (flags & 1) {
        window.put(static_cast<uint8_t>(bytes.next()));
        ring = (ring + 1) & (kRing - 1);
      } else {
        unsigned lo = static_cast<unsigned>(bytes.next());
        unsigned hi = static_cast<unsigned>(bytes.next());
        unsigned pos = lo | (hi & 0xF0) << 4;
        unsigned len = (hi & 0x0F) + 3;
        window.copy(((ring - pos - 1) & (kRing - 1)) + 1, len);
        ring = (ring + len) & (kRing - 1);
      }
    }
  }
  window.flush();
}

}  // namespace fmt::codecs
