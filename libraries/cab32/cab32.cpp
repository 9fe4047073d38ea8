// The exported functions of CAB32.DLL. Every one catches everything: an
// exception never crosses into the calling program.
#include <windows.h>

#include <new>

#include "archiver.h"
#include "command_line.h"
#include "core/archive.h"
#include "dialogs.h"
#include "handle_table.h"
#include "cab_commands.h"
#include "results.h"
#include "sjis_path.h"
#include "cab/cab_reader.h"

using namespace dllsupport;

namespace {

constexpr WORD kVersion = 98;
constexpr DWORD kModeErrorMessage = 0x400000;  // OpenArchive: show a message box on failure

std::unique_ptr<fmt::ArchiveReader> openCabPath(const std::string& utf8) { return fmt::openCab(utf8); }

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI Cab(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize) {
  cab32::Context ctx;
  ctx.window = window;
  int result = kInternal;
  if (output && outputSize) output[0] = '\0';
  try {
    ctx.report.setLimit(outputSize);
    ctx.options = cab32::parseCommand(expandCommandLine(commandLine ? commandLine : ""));
    ProgressWindow progress(window, !ctx.options.silent);
    ctx.progress = &progress;
    result = cab32::runCommand(ctx);
  } catch (const fmt::Error& e) {
    result = resultFor(e.kind());
    ctx.report.line(std::string(describe(static_cast<Result>(result))) + ": " + fromEngine(e.what()));
  } catch (const std::bad_alloc&) {
    result = kInternal;
    ctx.report.line("メモリが足りません");
  } catch (...) {
    result = kInternal;
    ctx.report.line(describe(kInternal));
  }
  ctx.report.writeTo(output, outputSize);
  return result;
}

__declspec(dllexport) WORD WINAPI CabGetVersion() { return kVersion; }

__declspec(dllexport) BOOL WINAPI CabCheckArchive(LPCSTR path, int mode) {
  try {
    if (!path || !fileExists(path)) return FALSE;
    auto reader = fmt::openCab(toEnginePath(path));
    if (!reader) return FALSE;
    if (mode & 2) {  // a full check: every member decoded against its CRC
      for (size_t i = 0; i < reader->entries().size(); ++i) {
        if (reader->entries()[i].kind != fmt::EntryKind::File) continue;
        fmt::NullOutStream sink;
        reader->extract(i, sink);
      }
    }
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

__declspec(dllexport) int WINAPI CabGetFileCount(LPCSTR path) {
  try {
    if (!path || !fileExists(path)) return -1;
    auto reader = fmt::openCab(toEnginePath(path));
    return reader ? static_cast<int>(reader->entries().size()) : -1;
  } catch (...) {
    return -1;
  }
}

__declspec(dllexport) archiver::ArchiveHandle WINAPI CabOpenArchive(HWND window, LPCSTR path, DWORD mode) {
  try {
    int result = kOk;
    archiver::ArchiveHandle h = handles().open(path ? path : "", openCabPath, &result);
    if (!h && window && (mode & kModeErrorMessage)) {
      const std::string text = std::string(path ? path : "") + "\r\n" + describe(static_cast<Result>(result));
      MessageBoxA(window, text.c_str(), "CAB32.DLL", MB_OK | MB_ICONWARNING);
    }
    return h;
  } catch (...) {
    return nullptr;
  }
}

__declspec(dllexport) int WINAPI CabFindFirst(archiver::ArchiveHandle h, LPCSTR wildcard,
                                                archiver::ArcItemInfo* info) {
  try {
    return handles().findFirst(h, wildcard, info);
  } catch (...) {
    return kInternal;
  }
}

__declspec(dllexport) int WINAPI CabFindNext(archiver::ArchiveHandle h, archiver::ArcItemInfo* info) {
  try {
    return handles().findNext(h, info);
  } catch (...) {
    return kInternal;
  }
}

__declspec(dllexport) int WINAPI CabCloseArchive(archiver::ArchiveHandle h) {
  try {
    return handles().close(h);
  } catch (...) {
    return kInternal;
  }
}

}  // extern "C"
