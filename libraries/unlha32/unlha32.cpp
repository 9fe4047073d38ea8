// The exported functions of UNLHA32.DLL: the library's commands and the format's
// opener under the bodies every archiver library of ours shares (dllsupport/exports.h).
#include <windows.h>

#include "archiver.h"
#include "exports.h"
#include "lha_commands.h"
#include "lzh/lzh_reader.h"

namespace {

constexpr WORD kVersion = 300;

std::unique_ptr<fmt::ArchiveReader> openPath(const std::string& utf8) { return fmt::openLzh(utf8); }

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI Unlha(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize) {
  return dllsupport::commandEntry<unlha::Context>(window, commandLine, output, outputSize, unlha::parseCommand,
                                                    &unlha::LhaOptions::noProgress, unlha::runCommand);
}

__declspec(dllexport) WORD WINAPI UnlhaGetVersion() { return kVersion; }

__declspec(dllexport) BOOL WINAPI UnlhaCheckArchive(LPCSTR path, int mode) {
  return dllsupport::checkArchive(path, mode, openPath);
}

__declspec(dllexport) int WINAPI UnlhaGetFileCount(LPCSTR path) { return dllsupport::fileCount(path, openPath); }

__declspec(dllexport) archiver::ArchiveHandle WINAPI UnlhaOpenArchive(HWND window, LPCSTR path, DWORD mode) {
  return dllsupport::openArchive(window, path, mode, openPath, "UNLHA32.DLL");
}

__declspec(dllexport) int WINAPI UnlhaFindFirst(archiver::ArchiveHandle h, LPCSTR wildcard, archiver::ArcItemInfo* info) {
  return dllsupport::findFirst(h, wildcard, info);
}

__declspec(dllexport) int WINAPI UnlhaFindNext(archiver::ArchiveHandle h, archiver::ArcItemInfo* info) {
  return dllsupport::findNext(h, info);
}

__declspec(dllexport) int WINAPI UnlhaCloseArchive(archiver::ArchiveHandle h) { return dllsupport::closeArchive(h); }

}  // extern "C"
