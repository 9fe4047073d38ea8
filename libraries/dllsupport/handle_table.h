// The enumeration handles of OpenArchive / FindFirst / FindNext / CloseArchive:
// each holds its own reader, so several archives may be open at once.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "archiver.h"
#include "core/archive.h"

namespace dllsupport {

// Opens a UTF-8 path as this library's format; null when it is not one.
using Opener = std::function<std::unique_ptr<fmt::ArchiveReader>(const std::string& utf8Path)>;

class HandleTable {
 public:
  // Null when the file is missing or not an archive; `result` then says which.
  archiver::ArchiveHandle open(const std::string& sjisPath, const Opener& opener, int* result = nullptr);
  // 0 with `info` filled, -1 when no further entry matches, kBadHandle.
  int findFirst(archiver::ArchiveHandle h, const char* wildcard, archiver::ArcItemInfo* info);
  int findNext(archiver::ArchiveHandle h, archiver::ArcItemInfo* info);
  // 0, or kBadHandle.
  int close(archiver::ArchiveHandle h);
  size_t openCount() const;

 struct Session;  // one open archive

 private:
  int next(Session& s, archiver::ArcItemInfo* info);
  Session* find(archiver::ArchiveHandle h) const;
};

// The one table of this library (each DLL links its own copy).
HandleTable& handles();

}  // namespace dllsupport
