#include "codecs/lh/lzh_decoders.h"

#include "codecs/lh/lh1_decoder.h"
#include "codecs/lh/lh_decoder.h"
#include "codecs/lh/lz5_decoder.h"
#include "codecs/lh/lzs_decoder.h"
#include "codecs/lh/stored_decoder.h"

namespace fmt::codecs {

std::unique_ptr<Decoder> makeLzhDecoder(const std::string& m) {
  if (m == "-lh0-" || m == "-lz4-" || m == "-pm0-") return std::make_unique<StoredDecoder>();
  if (m == "-lh1-") return std::make_unique<Lh1Decoder>();
  if (m == "-lh4-") return std::make_unique<LhDecoder>(12);
  if (m == "-lh5-") return std::make_unique<LhDecoder>(13);
  if (m == "-lh6-") return std::make_unique<LhDecoder>(15);
  if (m == "-lh7-") return std::make_unique<LhDecoder>(16);
  if (m == "-lzs-") return std::make_unique<LzsDecoder>();
  if (m == "-lz5-") return std::make_unique<Lz5Decoder>();
  return nullptr;
}

}  // namespace fmt::codecs
