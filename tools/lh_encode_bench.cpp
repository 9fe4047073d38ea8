// lh_encode_bench METHOD INPUT OUTPUT: compresses INPUT with -lhMETHOD- (5, 6 or 7)
// into a one-entry level-0 archive OUTPUT, for tools/bench_lzh_encode.sh to time
// and to check with independent LHA programs. Prints the packed size.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "codecs/lh/lh_encoder.h"
#include "core/checksum.h"

namespace {

class CrcFileIn : public fmt::InStream {
 public:
  explicit CrcFileIn(std::FILE* f) : f_(f) {}
  size_t read(void* buf, size_t n) override {
    size_t r = std::fread(buf, 1, n, f_);
    crc = fmt::crc16Update(crc, buf, r);
    return r;
  }
  uint16_t crc = 0;

 private:
  std::FILE* f_;
};

void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; i++) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: lh_encode_bench 5|6|7 INPUT OUTPUT\n");
    return 2;
  }
  const int method = std::atoi(argv[1]);
  std::FILE* f = std::fopen(argv[2], "rb");
  if (!f) {
    std::perror(argv[2]);
    return 1;
  }
  std::fseek(f, 0, SEEK_END);
  const uint64_t size = static_cast<uint64_t>(std::ftell(f));
  std::fseek(f, 0, SEEK_SET);
  CrcFileIn in(f);
  fmt::MemoryOutStream packed;
  try {
    fmt::codecs::encodeLh(in, size, packed, method);
  } catch (const fmt::Error& e) {
    std::fprintf(stderr, "lh_encode_bench: %s\n", e.what());
    return 1;
  }
  std::fclose(f);

  // Level-0 header: size, checksum, method, packed and original sizes, DOS stamp,
  // attribute, level, name, CRC-16.
  const std::string name = "data";
  std::vector<uint8_t> h(24 + name.size(), 0);
  h[0] = static_cast<uint8_t>(h.size() - 2);
  std::memcpy(&h[2], "-lh0-", 5);
  h[5] = static_cast<uint8_t>('0' + method);
  put32(h, 7, static_cast<uint32_t>(packed.data.size()));
  put32(h, 11, static_cast<uint32_t>(size));
  put32(h, 15, (56u << 25) | (1u << 21) | (1u << 16));  // 2036-01-01 00:00
  h[19] = 0x20;
  h[21] = static_cast<uint8_t>(name.size());
  std::memcpy(&h[22], name.data(), name.size());
  h[22 + name.size()] = static_cast<uint8_t>(in.crc);
  h[23 + name.size()] = static_cast<uint8_t>(in.crc >> 8);
  uint8_t sum = 0;
  for (size_t i = 2; i < h.size(); i++) sum = static_cast<uint8_t>(sum + h[i]);
  h[1] = sum;
  std::ofstream o(argv[3], std::ios::binary);
  o.write(reinterpret_cast<const char*>(h.data()), static_cast<std::streamsize>(h.size()));
  o.write(reinterpret_cast<const char*>(packed.data.data()), static_cast<std::streamsize>(packed.data.size()));
  o.put(0);
  if (!o) {
    std::fprintf(stderr, "lh_encode_bench: cannot write %s\n", argv[3]);
    return 1;
  }
  std::printf("%zu\n", packed.data.size());
  return 0;
}
