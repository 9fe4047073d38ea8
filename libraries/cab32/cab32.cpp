// The exported functions of CAB32.DLL: the library's commands and the format's
// opener under the bodies every archiver library of ours shares (dllsupport/exports.h).
#include <windows.h>

#include "archiver.h"
#include "exports.h"
#include "cab_commands.h"
#include "cab/cab_reader.h"

namespace {

constexpr WORD kVersion = 98;

std::unique_ptr<fmt::ArchiveReader> openPath(const std::string& utf8) { return fmt::openCab(utf8); }

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI Cab(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize) {
  return dllsupport::commandEntry<cab32::Context>(window, commandLine, output, outputSize, cab32::parseCommand,
                                                    &cab32::CabOptions::silent, cab32::runCommand);
}

__declspec(dllexport) WORD WINAPI CabGetVersion() { return kVersion; }

__declspec(dllexport) BOOL WINAPI CabCheckArchive(LPCSTR path, int mode) {
  return dllsupport::checkArchive(path, mode, openPath);
}

__declspec(dllexport) int WINAPI CabGetFileCount(LPCSTR path) { return dllsupport::fileCount(path, openPath); }

__declspec(dllexport) archiver::ArchiveHandle WINAPI CabOpenArchive(HWND window, LPCSTR path, DWORD mode) {
  return dllsupport::openArchive(window, path, mode, openPath, "CAB32.DLL");
}

__declspec(dllexport) int WINAPI CabFindFirst(archiver::ArchiveHandle h, LPCSTR wildcard, archiver::ArcItemInfo* info) {
  return dllsupport::findFirst(h, wildcard, info);
}

__declspec(dllexport) int WINAPI CabFindNext(archiver::ArchiveHandle h, archiver::ArcItemInfo* info) {
  return dllsupport::findNext(h, info);
}

__declspec(dllexport) int WINAPI CabCloseArchive(archiver::ArchiveHandle h) { return dllsupport::closeArchive(h); }

}  // extern "C"
