// lzx_cab_decode_bench CAB [ROUNDS]: decodes every LZX and Quantum folder of a
// single cabinet with our decoders ROUNDS times (default 5) and prints the
// least processor time of a round, to set against cabextract's on the file.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "../libraries/formats/tests/lzx_test_cab.h"
#include "codecs/lzx/lzx.h"
#include "codecs/quantum/quantum.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: lzx_cab_decode_bench CAB [ROUNDS]\n");
    return 2;
  }
  std::ifstream f(argv[1], std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  lzxtest::Cab cab = lzxtest::parseCab(file);
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  double best = 1e9;
  size_t total = 0;
  std::vector<uint8_t> out(fmt::codecs::kLzxFrameSize);
  for (int r = 0; r < rounds; ++r) {
    std::clock_t t0 = std::clock();
    total = 0;
    for (const auto& folder : cab.folders) {
      int method = folder.type & 0xF, bits = (folder.type >> 8) & 0x1F;
      if (method == 3) {
        fmt::codecs::LzxDecoder dec(bits);
        for (const auto& b : folder.blocks) dec.decodeBlock(b.data.data(), b.data.size(), out.data(), b.outSize);
      } else if (method == 2) {
        fmt::codecs::QuantumDecoder dec(bits);
        for (const auto& b : folder.blocks) dec.decodeBlock(b.data.data(), b.data.size(), out.data(), b.outSize);
      } else {
        continue;
      }
      for (const auto& b : folder.blocks) total += b.outSize;
    }
    best = std::min(best, double(std::clock() - t0) / CLOCKS_PER_SEC);
  }
  std::printf("decoded %zu bytes in %.3f CPU seconds (%.1f MB/s), best of %d\n", total, best, total / best / 1e6, rounds);
  return 0;
}
