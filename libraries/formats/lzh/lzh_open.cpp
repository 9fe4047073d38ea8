// The LZH opener behind fmt::openArchive.
#include "core/format_registry.h"
#include "lzh/lzh_reader.h"

namespace fmt {

std::unique_ptr<ArchiveReader> openLzh(const std::string& path) {
  return lzh::LzhReader::open(fileByteSource(path));
}

const FormatRegistrar kLzhRegistrar(20, lzh::kFormatName, openLzh);

}  // namespace fmt
