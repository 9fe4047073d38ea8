// fmt::openArchive: the formats tried by content in a fixed order, the strict
// signatures first; LZH searches inside self-extracting programs, tar and ZIP
// recognise their data in more lenient ways.
#include <exception>

#include "core/archive.h"
#include "platform/platform.h"

namespace fmt {

std::unique_ptr<ArchiveReader> openArchive(const std::string& path) {
  platform::File::open(path, platform::File::Read);  // I/O errors on the file itself are the caller's
  using Opener = std::unique_ptr<ArchiveReader> (*)(const std::string&);
  static const Opener kOpeners[] = {openCab, openLzh, openTar, openZip};
  // An opener that recognises its format but finds it damaged throws; another
  // format may still claim the file, and only when none does is that error given.
  std::exception_ptr firstError;
  for (Opener open : kOpeners) {
    try {
      if (auto reader = open(path)) return reader;
    } catch (const Error& e) {
      if (e.kind() == ErrorKind::Io) throw;
      if (!firstError) firstError = std::current_exception();
    }
  }
  if (firstError) std::rethrow_exception(firstError);
  return nullptr;
}

}  // namespace fmt
