#include "core/archive.h"
#include "zip/zip_reader.h"

namespace fmt {

std::unique_ptr<ArchiveReader> openZip(const std::string& path) { return zip::ZipReader::open(fileByteSource(path)); }

}  // namespace fmt
