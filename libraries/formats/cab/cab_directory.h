// Reading one cabinet's directory: CFHEADER with its optional parts, the
// CFFOLDERs and the CFFILEs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cab/cab_format.h"
#include "platform/platform.h"

namespace fmt::cab {

// True when the kHeaderSize bytes at `p`, found at `base` in a file of
// `fileSize` bytes, look like a cabinet header worth parsing.
bool plausibleHeader(const uint8_t* p, uint64_t base, uint64_t fileSize);

// Parses the directory of the cabinet starting at `base`. Throws Corrupt or
// Truncated when it contradicts itself or runs past the file; problems that do
// not stop reading (a cabinet shorter than it claims) go to `warnings`.
Cabinet readCabinet(platform::File& f, uint64_t base, std::vector<std::string>& warnings);

}  // namespace fmt::cab
