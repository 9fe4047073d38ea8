// lzx_bench FILE WINDOWBITS [CAB [BATCH [E8SIZE]]]: encodes FILE as one LZX folder,
// handing the encoder BATCH frames per call (default 32, as the Cabinet writer
// batches), decodes it back, checks the bytes, and prints sizes and times.
// With CAB, also writes the folder as a one-file cabinet (for cabextract).
// E8SIZE > 0 turns the x86 call translation on with that size.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "../libraries/formats/tests/lzx_test_cab.h"
#include "codecs/lzx/lzx.h"

using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: lzx_bench FILE WINDOWBITS [CAB]\n");
    return 2;
  }
  std::ifstream f(argv[1], std::ios::binary);
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  int bits = std::atoi(argv[2]);
  const size_t frame = fmt::codecs::kLzxFrameSize;

  auto t0 = Clock::now();
  fmt::codecs::LzxEncoder enc(bits, argc > 5 ? std::atoi(argv[5]) : 0);
  std::vector<lzxtest::Block> blocks;
  size_t packed = 0;
  const size_t batch = (argc > 4 ? std::atoi(argv[4]) : 32) * frame;
  for (size_t at = 0; at < data.size(); at += batch) {
    size_t n = std::min(batch, data.size() - at);
    std::vector<std::vector<uint8_t>> frames;
    enc.encodeFrames(data.data() + at, n, frames);
    for (size_t k = 0; k < frames.size(); ++k) {
      lzxtest::Block b;
      b.data = std::move(frames[k]);
      b.outSize = static_cast<uint16_t>(std::min(frame, n - k * frame));
      packed += b.data.size();
      blocks.push_back(std::move(b));
    }
  }
  auto t1 = Clock::now();
  fmt::codecs::LzxDecoder dec(bits);
  std::vector<uint8_t> out(data.size());
  size_t at = 0;
  for (const auto& b : blocks) {
    dec.decodeBlock(b.data.data(), b.data.size(), out.data() + at, b.outSize);
    at += b.outSize;
  }
  auto t2 = Clock::now();
  bool same = out == data;
  double enc_s = std::chrono::duration<double>(t1 - t0).count();
  double dec_s = std::chrono::duration<double>(t2 - t1).count();
  size_t cabSize = packed + 8 * blocks.size() + 60;
  std::printf("input %zu packed %zu cab~%zu ratio %.4f encode %.2fs (%.1f MB/s) decode %.3fs (%.1f MB/s) %s\n",
              data.size(), packed, cabSize, double(packed) / data.size(), enc_s, data.size() / enc_s / 1e6, dec_s,
              data.size() / dec_s / 1e6, same ? "roundtrip-ok" : "ROUNDTRIP-MISMATCH");
  if (argc > 3 && argv[3][0]) {
    std::vector<uint8_t> cab = lzxtest::makeCab(blocks, static_cast<uint16_t>(3 | bits << 8), "data.bin");
    std::ofstream(argv[3], std::ios::binary).write(reinterpret_cast<const char*>(cab.data()), cab.size());
  }
  return same ? 0 : 1;
}
