#include "console_main.h"

#include <cstdlib>
#include <cstring>

namespace {

void writeOut(const char* data, size_t size) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(out, data, static_cast<DWORD>(size), &written, nullptr) || written == 0) return;
    data += written;
    size -= written;
  }
}

}  // namespace

const char* ConsoleCommandText(const char* line) {
  const char* p = line;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  if (*p) ++p;
  return p;
}

int RunConsole(int argc, archiver::CommandFn command, const char* usage, size_t usageSize, ConsoleExit exit) {
  if (argc < 2) {
    writeOut(usage, usageSize);
    return 0;
  }
  char* buffer = static_cast<char*>(std::calloc(archiver::kOutputSize, 1));
  if (!buffer) return exit == ConsoleExit::LibraryResult ? 1 : 0;
  const int result = command(nullptr, ConsoleCommandText(GetCommandLineA()), buffer, archiver::kOutputSize);
  writeOut(buffer, strnlen(buffer, archiver::kOutputSize));
  std::free(buffer);
  return exit == ConsoleExit::LibraryResult ? result : 0;
}
