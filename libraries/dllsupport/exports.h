// The bodies of the exported functions every archiver library of ours has, over
// a format's opener. Each catches everything: an exception never crosses into
// the calling program. A library's exports are one-line calls of these.
#pragma once
#include <windows.h>

#include <memory>
#include <new>
#include <string>

#include "archive_commands.h"
#include "archiver.h"
#include "base/error.h"
#include "command_line.h"
#include "core/archive.h"
#include "dialogs.h"
#include "engine_messages.h"
#include "results.h"
#include "sjis_path.h"

namespace dllsupport {

// The command entry: the report limited to the caller's buffer, the options
// parsed, the progress window unless `quiet` is set in them, the command run.
template <typename Context, typename Options, typename Parse, typename Run>
int commandEntry(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize, Parse parse, bool Options::*quiet,
                 Run run) {
  Context ctx;
  ctx.window = window;
  int result = kInternal;
  if (output && outputSize) output[0] = '\0';
  try {
    ctx.report.setLimit(outputSize);
    ctx.options = parse(expandCommandLine(commandLine ? commandLine : ""));
    ProgressWindow progress(window, !(ctx.options.*quiet));
    ctx.progress = &progress;
    result = run(ctx);
  } catch (const fmt::Error& e) {
    result = resultFor(e.kind());
    ctx.report.line(std::string(describe(static_cast<Result>(result))) + ": " + engineMessage(e.what()));
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

// TRUE when `path` is an archive the opener reads; with mode bit 2 also every
// member decoded against its check value.
BOOL checkArchive(LPCSTR path, int mode, OpenerFn open);
// The number of entries; -1 when the file is no such archive.
int fileCount(LPCSTR path, OpenerFn open);
// An enumeration handle; with an owner window and mode bit 0x400000 a failure
// is also shown in a message box captioned `libraryName`.
archiver::ArchiveHandle openArchive(HWND window, LPCSTR path, DWORD mode, OpenerFn open, const char* libraryName);
int findFirst(archiver::ArchiveHandle h, LPCSTR wildcard, archiver::ArcItemInfo* info);
int findNext(archiver::ArchiveHandle h, archiver::ArcItemInfo* info);
int closeArchive(archiver::ArchiveHandle h);

}  // namespace dllsupport
