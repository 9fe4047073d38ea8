// arctool: a command-line driver over the archive engines, for tests and
// benchmarks; the usage text below lists what it does.
#include <cstdio>
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
    "Encrypted ZIP entries take their password from ARCTOOL_PASSWORD.\n"
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

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
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
