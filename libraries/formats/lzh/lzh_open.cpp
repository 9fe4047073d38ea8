// The LZH opener behind fmt::openArchive.
#include "core/archive.h"
#include "lzh/lzh_reader.h"

namespace fmt {

std::unique_ptr<ArchiveReader> openLzh(const std::string& path) {
  return lzh::LzhReader::open(fileByteSource(path));
}

}  // namespace fmt
