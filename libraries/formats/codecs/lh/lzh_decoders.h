// The decoder for an LZH-family method string ("-lh5-", "-pm2-", ...).
#pragma once
#include <memory>
#include <string>

#include "codecs/lh/decoder.h"

namespace fmt::codecs {

// Null when the method is unknown (or a folder, "-lhd-", which has no data).
std::unique_ptr<Decoder> makeLzhDecoder(const std::string& method);

}  // namespace fmt::codecs
