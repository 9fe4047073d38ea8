// The exported functions of UNZIP32.DLL: the library's commands and the ZIP
// opener under the bodies every archiver library of ours shares (dllsupport/exports.h).
#include <windows.h>

#include "archiver.h"
#include "exports.h"
#include "unzip_commands.h"
#include "zip/zip_reader.h"

namespace {

constexpr WORD kVersion = 600;

std::unique_ptr<fmt::ArchiveReader> openPath(const std::string& utf8) { return fmt::openZip(utf8); }

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI UnZip(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize) {
  return dllsupport::commandEntry<unzip32::Context>(window, commandLine, output, outputSize, unzip32::parseCommand,
                                                      &unzip32::UnZipOptions::quiet, unzip32::runCommand);
}

__declspec(dllexport) WORD WINAPI UnZipGetVersion() { return kVersion; }

__declspec(dllexport) BOOL WINAPI UnZipCheckArchive(LPCSTR path, int mode) {
  return dllsupport::checkArchive(path, mode, openPath);
}

__declspec(dllexport) int WINAPI UnZipGetFileCount(LPCSTR path) { return dllsupport::fileCount(path, openPath); }

__declspec(dllexport) archiver::ArchiveHandle WINAPI UnZipOpenArchive(HWND window, LPCSTR path, DWORD mode) {
  return dllsupport::openArchive(window, path, mode, openPath, "UNZIP32.DLL");
}

__declspec(dllexport) int WINAPI UnZipFindFirst(archiver::ArchiveHandle h, LPCSTR wildcard, archiver::ArcItemInfo* info) {
  return dllsupport::findFirst(h, wildcard, info);
}

__declspec(dllexport) int WINAPI UnZipFindNext(archiver::ArchiveHandle h, archiver::ArcItemInfo* info) {
  return dllsupport::findNext(h, info);
}

__declspec(dllexport) int WINAPI UnZipCloseArchive(archiver::ArchiveHandle h) { return dllsupport::closeArchive(h); }

}  // extern "C"
