// arctool: a command-line driver over the archive engines, for tests and
// benchmarks; the usage text below lists what it does.
#include <cstdio>
#include <ctime>
#ifdef _WIN32
#include <windows.h>
#endif
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "commands.h"
#include "base/error.h"

namespace {

const char kUsage[] =
    "usage: arctool list ARCHIVE\n"
    "       arctool test ARCHIVE\n"
    "       arctool extract ARCHIVE DIR     (replaces existing files)\n"
    "       arctool create FORMAT ARCHIVE FILE...\n"
    "       arctool cat ARCHIVE NAME\n"
    "FORMAT: lzh:lh0|lh5|lh6|lh7, cab:none|mszip|lzx:15..21, tar, tgz:1..9, tbz:1..9, taz, gz, bz2, Z\n";

int usage() {
  std::fputs(kUsage, stderr);
  return arctool::kExitUsage;
}

int dispatch(const std::vector<std::string>& a) {
  if (a.empty()) return usage();
  const std::string& cmd = a[0];
  if (cmd == "list" && a.size() == 2) return arctool::listCommand(a[1]);
  if (cmd == "test" && a.size() == 2) return arctool::testCommand(a[1]);
  if (cmd == "extract" && a.size() == 3) return arctool::extractCommand(a[1], a[2]);
  if (cmd == "cat" && a.size() == 3) return arctool::catCommand(a[1], a[2]);
  if (cmd == "create" && a.size() >= 4) return arctool::createCommand(a[1], a[2], {a.begin() + 3, a.end()});
  return usage();
}

}  // namespace

namespace {

double now() {
#ifdef _WIN32
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
#else
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
#endif
}

// With ARCTOOL_TIME set, the seconds the command took inside the process go to
// standard error: benchmarks under an emulator then leave its start-up out.
struct CommandTimer {
  bool on = std::getenv("ARCTOOL_TIME") != nullptr;
  double start = now();
  ~CommandTimer() {
    if (on) std::fprintf(stderr, "arctool-time %.3f\n", now() - start);
  }
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const CommandTimer timer;
  try {
    return dispatch(args);
  } catch (const fmt::Error& e) {
    arctool::complain(e.what());
    return e.kind() == fmt::ErrorKind::Usage ? arctool::kExitUsage : arctool::kExitFailed;
  } catch (const std::bad_alloc&) {
    arctool::complain("out of memory");
  } catch (const std::exception& e) {
    arctool::complain(e.what());
  }
  return arctool::kExitFailed;
}
