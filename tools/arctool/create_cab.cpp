// `arctool create cab:none|cab:mszip|cab:lzx:15..21 ARCHIVE FILE...`.
#include <cctype>

#include "cab/cab_writer.h"
#include "base/error.h"
#include "create_registry.h"

namespace {

// "cab" alone means MSZIP, the method every Cabinet reader knows.
uint16_t typeCompressFor(const std::string& format) {
  if (format == "cab" || format == "cab:mszip") return static_cast<uint16_t>(fmt::cab::Method::Mszip);
  if (format == "cab:none") return static_cast<uint16_t>(fmt::cab::Method::None);
  if (format.rfind("cab:lzx:", 0) == 0 && format.size() == 10 && std::isdigit(static_cast<unsigned char>(format[8])) &&
      std::isdigit(static_cast<unsigned char>(format[9]))) {
    int bits = (format[8] - '0') * 10 + (format[9] - '0');
    if (bits >= 15 && bits <= 21) return fmt::cab::lzxTypeCompress(bits);
  }
  fmt::fail(fmt::ErrorKind::Usage, "unknown Cabinet format " + format + " (cab:none, cab:mszip, cab:lzx:15 to cab:lzx:21)");
}

int createCab(const std::string& format, const std::string& archive, const std::vector<fmt::SourceItem>& items) {
  fmt::cab::WriteOptions options;
  options.typeCompress = typeCompressFor(format);
  fmt::cab::writeCabinet(archive, items, options);
  return 0;
}

arctool::CreateRegistrar cabRegistrar("cab", createCab);

}  // namespace
