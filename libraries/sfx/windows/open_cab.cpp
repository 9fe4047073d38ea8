// The cabinet extractor's opener: one cabinet right after the program.
#include "cab/cab_reader.h"
#include "cab/cab_set.h"
#include "open_payload.h"

namespace sfx {

std::unique_ptr<fmt::ArchiveReader> openPayload(const std::string& path, uint64_t offset) {
  auto file = std::shared_ptr<fmt::platform::File>(fmt::platform::File::open(path, fmt::platform::File::Read));
  if (offset + 4 > file->size()) return nullptr;
  return std::make_unique<fmt::cab::CabReader>(fmt::cab::openSet(path, file, {offset}));
}

}  // namespace sfx
