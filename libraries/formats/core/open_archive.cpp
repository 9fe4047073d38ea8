// fmt::openArchive: the registered formats tried by content in their order.
#include <exception>

#include "core/format_registry.h"
#include "platform/platform.h"

namespace fmt {

namespace {

std::unique_ptr<ArchiveReader> openWith(const std::string& path, bool forWalk) {
  platform::File::open(path, platform::File::Read);  // I/O errors on the file itself are the caller's
  // An opener that recognises its format but finds it damaged throws; another
  // format may still claim the file, and only when none does is that error given.
  std::exception_ptr firstError;
  for (const FormatOpener& format : registeredFormats()) {
    try {
      if (auto reader = (forWalk && format.openForWalk ? format.openForWalk : format.open)(path)) return reader;
    } catch (const Error& e) {
      if (e.kind() == ErrorKind::Io) throw;
      if (!firstError) firstError = std::current_exception();
    }
  }
  if (firstError) std::rethrow_exception(firstError);
  return nullptr;
}

}  // namespace

std::unique_ptr<ArchiveReader> openArchive(const std::string& path) { return openWith(path, false); }

std::unique_ptr<ArchiveReader> openArchiveForWalk(const std::string& path) { return openWith(path, true); }

}  // namespace fmt
