// The exported functions of TAR32.DLL: the library's commands and the tar
// opener under the bodies every archiver library of ours shares
// (dllsupport/exports.h), and the kind of an archive.
#include <windows.h>

#include "archiver.h"
#include "exports.h"
#include "sjis_path.h"
#include "tar/tar_reader.h"
#include "tar_commands.h"

namespace {

constexpr WORD kVersion = 60;

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI Tar(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize) {
  return dllsupport::commandEntry<tar32::Context>(window, commandLine, output, outputSize, tar32::parseCommand,
                                                    &tar32::TarOptions::quiet, tar32::runCommand);
}

__declspec(dllexport) WORD WINAPI TarGetVersion() { return kVersion; }

// Only the start is decoded: whether the file is tar, gzip, compress or bzip2
// data is known from it (a full check, mode bit 2, decodes everything).
__declspec(dllexport) BOOL WINAPI TarCheckArchive(LPCSTR path, int mode) {
  return dllsupport::checkArchive(path, mode, tar32::openWalk);
}

__declspec(dllexport) int WINAPI TarGetFileCount(LPCSTR path) {
  return dllsupport::fileCount(path, tar32::openListing);
}

__declspec(dllexport) archiver::ArchiveHandle WINAPI TarOpenArchive(HWND window, LPCSTR path, DWORD mode) {
  return dllsupport::openArchive(window, path, mode, tar32::openListing, "TAR32.DLL");
}

__declspec(dllexport) int WINAPI TarFindFirst(archiver::ArchiveHandle h, LPCSTR wildcard, archiver::ArcItemInfo* info) {
  return dllsupport::findFirst(h, wildcard, info);
}

__declspec(dllexport) int WINAPI TarFindNext(archiver::ArchiveHandle h, archiver::ArcItemInfo* info) {
  return dllsupport::findNext(h, info);
}

__declspec(dllexport) int WINAPI TarCloseArchive(archiver::ArchiveHandle h) { return dllsupport::closeArchive(h); }

// 1 tar, 2 tar.gz, 3 tar.Z, 4 gz, 5 Z, 6 tar.bz2, 7 bz2; 0 when the file is none of them.
__declspec(dllexport) int WINAPI TarGetArchiveType(LPCSTR path) {
  try {
    if (!path || !dllsupport::fileExists(path)) return 0;
    auto reader = tar32::openWalk(dllsupport::toEnginePath(path));
    return reader ? fmt::tar::tarArchiveKind(*reader) : 0;
  } catch (...) {
    return 0;
  }
}

}  // extern "C"
