// bzip2_tool: the codec over stdin and stdout, for benchmarks and quick checks.
//   bzip2_tool -d        decode (several streams in a row)
//   bzip2_tool [-1..-9]  encode (default -9)
#include <cstdio>
#include <cstring>
#include <vector>

#include "codecs/bzip2/bzip2.h"

namespace {

class FileIn : public fmt::InStream {
 public:
  explicit FileIn(FILE* f) : f_(f) {}
  size_t read(void* buf, size_t n) override {
    size_t r = std::fread(buf, 1, n, f_);
    if (r < n && std::ferror(f_)) fmt::fail(fmt::ErrorKind::Io, "cannot read standard input");
    return r;
  }

 private:
  FILE* f_;
};

class FileOut : public fmt::OutStream {
 public:
  explicit FileOut(FILE* f) : f_(f) {}
  void write(const void* buf, size_t n) override {
    if (std::fwrite(buf, 1, n, f_) != n) fmt::fail(fmt::ErrorKind::Io, "cannot write standard output");
  }

 private:
  FILE* f_;
};

}  // namespace

int main(int argc, char** argv) {
  bool decode = false;
  int level = 9;
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "-d") == 0) {
      decode = true;
    } else if (argv[i][0] == '-' && argv[i][1] >= '1' && argv[i][1] <= '9' && argv[i][2] == 0) {
      level = argv[i][1] - '0';
    } else {
      std::fprintf(stderr, "usage: bzip2_tool [-d | -1..-9] <in >out\n");
      return 2;
    }
  }
  FileIn in(stdin);
  FileOut out(stdout);
  try {
    if (decode)
      fmt::codecs::bzip2Decode(in, out);
    else
      fmt::codecs::bzip2Encode(in, out, level);
    if (std::fflush(stdout) != 0) fmt::fail(fmt::ErrorKind::Io, "cannot write standard output");
  } catch (const fmt::Error& e) {
    std::fprintf(stderr, "bzip2_tool: %s\n", e.what());
    return 1;
  }
  return 0;
}
