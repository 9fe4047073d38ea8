// The one format an extractor program carries: each program links one opener.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/archive.h"

namespace sfx {

// The archive that begins `offset` bytes into the program at `path` (UTF-8).
// Null when none is there; throws fmt::Error when it is damaged.
std::unique_ptr<fmt::ArchiveReader> openPayload(const std::string& path, uint64_t offset);

}  // namespace sfx
