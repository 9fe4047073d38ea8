// -lh0-, -lz4-, -pm0-: the data as it is.
#pragma once
#include <vector>

#include "codecs/lh/decoder.h"

namespace fmt::codecs {

class StoredDecoder : public Decoder {
 public:
  void decode(InStream& in, uint64_t size, OutStream& out) override {
    std::vector<uint8_t> buf(size < (1 << 16) ? static_cast<size_t>(size) : size_t(1) << 16);
    while (size) {
      size_t n = size < buf.size() ? static_cast<size_t>(size) : buf.size();
      readExact(in, buf.data(), n, "stored data");
      out.write(buf.data(), n);
      size -= n;
    }
  }
};

}  // namespace fmt::codecs
