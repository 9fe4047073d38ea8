// `arctool create cab:none|cab:mszip|cab:lzx:15..21 ARCHIVE FILE...`.
#include <cctype>

#include "cab/cab_writer.h"
#include "core/error.h"
#include "create_registry.h"

namespace {

// "cab" alone means MSZIP, the method every Cabinet reader knows.
uint16_t typeCompressFor(const std::string& spec) {
  if (spec == "cab" || spec == "cab:mszip") return static_cast<uint16_t>(fmt::cab::Method::Mszip);
  if (spec == "cab:none") return static_cast<uint16_t>(fmt::cab::Method::None);
  if (spec.rfind("cab:lzx:", 0) == 0 && spec.size() == 10 && std::isdigit(static_cast<unsigned char>(spec[8])) &&
      std::isdigit(static_cast<unsigned char>(spec[9]))) {
    int bits = (spec[8] - '0') * 10 + (spec[9] - '0');
    if (bits >= 15 && bits <= 21) return fmt::cab::lzxTypeCompress(bits);
  }
  fmt::fail(fmt::ErrorKind::Usage, "unknown Cabinet format " + spec + " (cab:none, cab:mszip, cab:lzx:15 to cab:lzx:21)");
}

int createCab(const std::string& spec, const std::string& archive, const std::vector<fmt::SourceItem>& items) {
  fmt::cab::WriteOptions options;
  options.typeCompress = typeCompressFor(spec);
  fmt::cab::writeCabinet(archive, items, options);
  return 0;
}

arctool::CreateRegistrar cabRegistrar("cab", createCab);

}  // namespace
