// Times one UnZip command inside the Windows process, so that Wine's start-up
// is not counted: bench_zip32_driver "COMMAND LINE" prints the seconds the call
// took (QueryPerformanceCounter) and its result, for tools/bench_zip32.sh.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "archiver.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_zip32_driver \"COMMAND LINE\"\n");
    return 2;
  }
  HMODULE lib = LoadLibraryA("UNZIP32.DLL");
  archiver::Functions f;
  if (!lib || !f.bind(lib, "UnZip")) {
    std::fprintf(stderr, "bench_zip32_driver: UNZIP32.DLL not found beside the driver\n");
    return 2;
  }
  std::vector<char> out(archiver::kOutputSize);
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  const int result = f.command(nullptr, argv[1], out.data(), static_cast<DWORD>(out.size()));
  QueryPerformanceCounter(&end);
  std::printf("%.3f %d\n", static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart),
              result);
  if (result != 0) std::fprintf(stderr, "%s\n", out.data());
  return result == 0 ? 0 : 1;
}
