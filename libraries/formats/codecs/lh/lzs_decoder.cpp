#include "codecs/lh/lzs_decoder.h"

#include "codecs/msb_bit_reader.h"
#include "codecs/lh/lz_window.h"

namespace fmt::codecs {

namespace {
constexpr unsigned kRing = 2048;
constexpr unsigned kStart = kRing - 17;  // where the encoder's ring position starts
}  // namespace

void LzsDecoder::decode(InStream& in, uint64_t size, OutStream& out) {
  MsbBitReader br(in);
  LzWindow window(out, size, 16);
  unsigned ring = kStart;  // positions are absolute in the encoder's ring
  while (window.remaining()) {
    if (br.bit()) {
      window.put(static_cast<uint8_t>(br.bits(8)));
      ring = (ring + 1) & (kRing - 1);
    } else {
      unsigned pos = br.bits(11);
      unsigned len = br.bits(4) + 2;
      window.copy(((ring - pos - 1) & (kRing - 1)) + 1, len);
      ring = (ring + len) & (kRing - 1);
    }
  }
  window.flush();
  if (br.overrun()) fail(ErrorKind::Truncated, "compressed data ends early");
}

}  // namespace fmt::codecs
