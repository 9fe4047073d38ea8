#include "core/format_registry.h"
#include "platform/platform.h"
#include "tar/tar_reader.h"

namespace fmt {

std::unique_ptr<ArchiveReader> openTar(const std::string& path) {
  const int64_t mtime = platform::stat(path).mtime;
  return tar::TarReader::open(fileByteSource(path), tar::singleFileName(path), mtime);
}

std::unique_ptr<ArchiveReader> openTarForWalk(const std::string& path) {
  const int64_t mtime = platform::stat(path).mtime;
  return tar::TarReader::open(fileByteSource(path), tar::singleFileName(path), mtime, tar::Opening::ForWalk);
}

const FormatRegistrar kTarRegistrar(30, tar::kFormatName, openTar, openTarForWalk);

}  // namespace fmt
