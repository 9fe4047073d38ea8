// The block decoders of cabinet folders. The encoders are in cab_encoders.cpp,
// so that a program that only reads cabinets links none of them (nor threads).
#include "cab/cab_codecs.h"

#include <cstring>

#include "cab/cab_format.h"
#include "codecs/lzx/lzx.h"
#include "codecs/deflate/mszip.h"
#include "codecs/quantum/quantum.h"
#include "base/error.h"

namespace fmt::cab {
namespace {

class StoredDecoder : public BlockDecoder {
 public:
  void reset() override {}
  void decode(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) override {
    if (inSize != outSize) fail(ErrorKind::Corrupt, "uncompressed block whose sizes differ");
    if (outSize) std::memcpy(out, in, outSize);
  }
};

// The codecs share the reset/decodeBlock shape; one adapter serves them all.
template <typename Codec>
class CodecDecoder : public BlockDecoder {
 public:
  template <typename... Args>
  explicit CodecDecoder(Args... args) : codec_(args...) {}
  void reset() override { codec_.reset(); }
  void decode(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) override {
    codec_.decodeBlock(in, inSize, out, outSize);
  }

 private:
  Codec codec_;
};

}  // namespace

std::unique_ptr<BlockDecoder> makeDecoder(uint16_t typeCompress) {
  switch (methodOf(typeCompress)) {
    case Method::None: return std::make_unique<StoredDecoder>();
    case Method::Mszip: return std::make_unique<CodecDecoder<codecs::MszipDecoder>>();
    case Method::Lzx: {
      int bits = lzxWindowBits(typeCompress);
      if (bits < codecs::kLzxMinWindowBits || bits > codecs::kLzxMaxWindowBits)
        fail(ErrorKind::Unsupported, "LZX window of " + std::to_string(bits) + " bits");
      return std::make_unique<CodecDecoder<codecs::LzxDecoder>>(bits);
    }
    case Method::Quantum: {
      int bits = quantumWindowBits(typeCompress);
      if (bits < codecs::kQuantumMinWindowBits || bits > codecs::kQuantumMaxWindowBits)
        fail(ErrorKind::Unsupported, "Quantum window of " + std::to_string(bits) + " bits");
      return std::make_unique<CodecDecoder<codecs::QuantumDecoder>>(bits);
    }
  }
  fail(ErrorKind::Unsupported, "compression method " + std::to_string(typeCompress & 0x0F));
}

}  // namespace fmt::cab
