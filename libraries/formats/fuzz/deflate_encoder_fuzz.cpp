// Our deflate encoder on arbitrary bytes: zlib must inflate each stream back
// to them, with the history as its dictionary. The first byte picks the level
// and how many times the rest is repeated (so that long and far matches and
// several pieces occur), the second how much of the input is history; odd
// first bytes encode frame by frame, as MSZIP does.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codecs/deflate/deflate_encoder.h"

namespace {

void expectInflates(const std::vector<uint8_t>& stream, const uint8_t* dict, size_t dictSize, const uint8_t* want,
                    size_t n) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) std::abort();
  if (dictSize && inflateSetDictionary(&z, dict, static_cast<uInt>(dictSize)) != Z_OK) std::abort();
  std::vector<uint8_t> out(n + 1);
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&z, Z_FINISH);
  inflateEnd(&z);
  if (rc != Z_STREAM_END || z.avail_in != 0 || out.size() - z.avail_out != n) std::abort();
  if (!std::equal(want, want + n, out.begin())) std::abort();
  if (stream.size() > fmt::codecs::DeflateEncoder::maxBytes(n)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int level = 1 + data[0] % 9;
  const bool frames = data[0] & 1;
  std::vector<uint8_t> input(data + 2, data + size);
  const size_t copies = 1 + data[0] / 9 % 24;
  for (size_t c = 1; c < copies; c++) input.insert(input.end(), data + 2, data + size);
  const size_t history = input.size() * data[1] / 256;
  const uint8_t* in = input.data() + history;
  const size_t n = input.size() - history;

  fmt::codecs::DeflateEncoder enc(level);
  if (!frames) {
    std::vector<uint8_t> stream;
    enc.encode(in, history, n, stream);
    const size_t dict = std::min<size_t>(history, 32768);
    expectInflates(stream, in - dict, dict, in, n);
    return 0;
  }
  std::vector<std::vector<uint8_t>> streams;
  enc.encodeFrames(in, history, n, streams);
  const size_t frameSize = fmt::codecs::DeflateEncoder::kFrame;
  if (streams.size() != (n + frameSize - 1) / frameSize) std::abort();
  for (size_t f = 0; f < streams.size(); f++) {
    const size_t at = f * frameSize;
    const size_t dict = std::min<size_t>(history + at, 32768);
    expectInflates(streams[f], in + at - dict, dict, in + at, std::min(frameSize, n - at));
  }
  return 0;
}
