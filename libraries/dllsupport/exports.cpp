#include "exports.h"

#include "handle_table.h"

namespace dllsupport {
namespace {
constexpr DWORD kModeErrorMessage = 0x400000;  // OpenArchive: show a message box on failure
}  // namespace

BOOL checkArchive(LPCSTR path, int mode, OpenerFn open) {
  try {
    if (!path || !fileExists(path)) return FALSE;
    auto reader = open(toEnginePath(path));
    if (!reader) return FALSE;
    if (mode & 2) {  // a full check: every member decoded against its check value
      // A reader that decodes while it lists adds entries as it goes.
      for (size_t i = 0; i < reader->entries().size() || reader->readMore(); ++i) {
        if (reader->entries()[i].kind != fmt::EntryKind::File) continue;
        fmt::NullOutStream sink;
        try {
          reader->extract(i, sink);
        } catch (const fmt::Error& e) {
          // An encrypted entry cannot be checked without its password; that
          // does not make the file any less an archive.
          if (e.kind() != fmt::ErrorKind::Password) throw;
        }
      }
    }
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

int fileCount(LPCSTR path, OpenerFn open) {
  try {
    if (!path || !fileExists(path)) return -1;
    auto reader = open(toEnginePath(path));
    return reader ? static_cast<int>(reader->entries().size()) : -1;
  } catch (...) {
    return -1;
  }
}

archiver::ArchiveHandle openArchive(HWND window, LPCSTR path, DWORD mode, OpenerFn open, const char* libraryName) {
  try {
    int result = kOk;
    archiver::ArchiveHandle h = handles().open(path ? path : "", open, &result);
    if (!h && window && (mode & kModeErrorMessage)) {
      const std::string text = std::string(path ? path : "") + "\r\n" + describe(static_cast<Result>(result));
      MessageBoxA(window, text.c_str(), libraryName, MB_OK | MB_ICONWARNING);
    }
    return h;
  } catch (...) {
    return nullptr;
  }
}

int findFirst(archiver::ArchiveHandle h, LPCSTR wildcard, archiver::ArcItemInfo* info) {
  try {
    return handles().findFirst(h, wildcard, info);
  } catch (...) {
    return kInternal;
  }
}

int findNext(archiver::ArchiveHandle h, archiver::ArcItemInfo* info) {
  try {
    return handles().findNext(h, info);
  } catch (...) {
    return kInternal;
  }
}

int closeArchive(archiver::ArchiveHandle h) {
  try {
    return handles().close(h);
  } catch (...) {
    return kInternal;
  }
}

}  // namespace dllsupport
