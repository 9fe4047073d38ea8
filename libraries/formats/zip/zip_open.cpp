#include "core/format_registry.h"
#include "zip/zip_reader.h"

namespace fmt {

std::unique_ptr<ArchiveReader> openZip(const std::string& path) { return zip::ZipReader::open(fileByteSource(path)); }

const FormatRegistrar kZipRegistrar(40, zip::kFormatName, openZip);

}  // namespace fmt
