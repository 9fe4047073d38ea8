// Our compress (.Z) and gzip codecs as filters from standard input to standard
// output, for tools/bench_tar.sh: bench_tar_driver lzw-enc|lzw-dec|gz-dec|gz-enc LEVEL
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codecs/deflate/gzip_decoder.h"
#include "codecs/deflate/gzip_encoder.h"
#include "codecs/lzw/lzw_decoder.h"
#include "codecs/lzw/lzw_encoder.h"
#include "base/error.h"

namespace {

struct StdIn : fmt::InStream {
  size_t read(void* buf, size_t n) override { return std::fread(buf, 1, n, stdin); }
};
struct StdOut : fmt::OutStream {
  void write(const void* buf, size_t n) override {
    if (std::fwrite(buf, 1, n, stdout) != n) fmt::fail(fmt::ErrorKind::Io, "cannot write");
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_tar_driver lzw-enc|lzw-dec|gz-dec|gz-enc LEVEL\n");
    return 2;
  }
  StdIn in;
  StdOut out;
  try {
    const char* mode = argv[1];
    if (!std::strcmp(mode, "lzw-enc")) fmt::codecs::lzwEncode(in, out);
    else if (!std::strcmp(mode, "lzw-dec")) fmt::codecs::lzwDecode(in, out);
    else if (!std::strcmp(mode, "gz-dec")) fmt::codecs::gzipDecode(in, out);
    else if (!std::strcmp(mode, "gz-enc")) fmt::codecs::gzipEncode(in, out, argc > 2 ? std::atoi(argv[2]) : 6);
    else return 2;
  } catch (const fmt::Error& e) {
    std::fprintf(stderr, "bench_tar_driver: %s\n", e.what());
    return 1;
  }
  return 0;
}
