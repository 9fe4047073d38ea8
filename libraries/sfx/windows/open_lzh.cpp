// The LZH extractor's opener: the members start right after the program.
#include "lzh/lzh_reader.h"
#include "open_payload.h"
#include "payload.h"

namespace sfx {

std::unique_ptr<fmt::ArchiveReader> openPayload(const std::string& path, uint64_t offset) {
  return fmt::lzh::LzhReader::open(tailSource(fmt::fileByteSource(path), offset));
}

}  // namespace sfx
