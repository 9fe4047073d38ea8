// archiver_timer LIBRARY PREFIX [RUNS] COMMAND-LINE: loads an archiver library,
// runs its command entry RUNS times (default 1) on COMMAND-LINE, no window, and
// prints the least seconds one call took, measured inside the process so that
// the emulator's start-up is not counted, then the result value. For the
// benchmarks in tools/; a failing call ends the program with status 1.
// COMMAND-LINE "--check PATH" times CheckArchive(PATH, 2) (every member
// decoded and verified) instead, "--count PATH" GetFileCount(PATH).
#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "archiver.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: archiver_timer LIBRARY PREFIX [RUNS] COMMAND-LINE\n");
    return 2;
  }
  int arg = 3;
  int runs = 1;
  if (argc > 4) runs = std::max(1, std::atoi(argv[arg++]));
  std::string command;
  for (; arg < argc; ++arg) command += (command.empty() ? "" : " ") + std::string(argv[arg]);

  HMODULE lib = LoadLibraryA(argv[1]);
  archiver::Functions fns;
  if (!lib || !fns.bind(lib, argv[2])) {
    std::fprintf(stderr, "archiver_timer: %s has no complete %s entry points\n", argv[1], argv[2]);
    return 2;
  }
  LARGE_INTEGER freq, a, b;
  QueryPerformanceFrequency(&freq);
  std::vector<char> report(1 << 20);
  double best = -1;
  int result = 0;
  for (int i = 0; i < runs; ++i) {
    QueryPerformanceCounter(&a);
    if (command.rfind("--check ", 0) == 0) result = fns.checkArchive(command.c_str() + 8, 2) ? 0 : 1;
    else if (command.rfind("--count ", 0) == 0) result = fns.getFileCount(command.c_str() + 8) >= 0 ? 0 : 1;
    else result = fns.command(nullptr, command.c_str(), report.data(), static_cast<DWORD>(report.size()));
    QueryPerformanceCounter(&b);
    const double s = static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
    if (best < 0 || s < best) best = s;
    if (result != 0) break;
  }
  std::printf("%.3f %d\n", best, result);
  if (result != 0) std::fprintf(stderr, "%s", report.data());
  return result == 0 ? 0 : 1;
}
