#include "cab/cab_codecs.h"

#include <cstring>

#include "cab/cab_format.h"
#include "codecs/lzx.h"
#include "codecs/mszip.h"
#include "codecs/quantum.h"
#include "core/error.h"

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

class StoredEncoder : public BlockEncoder {
 public:
  void reset() override {}
  void encode(const uint8_t* in, size_t n, std::vector<uint8_t>& out) override { out.insert(out.end(), in, in + n); }
};

template <typename Codec>
class CodecEncoder : public BlockEncoder {
 public:
  explicit CodecEncoder(int arg) : codec_(arg) {}
  void reset() override { codec_.reset(); }
  void encode(const uint8_t* in, size_t n, std::vector<uint8_t>& out) override { codec_.encodeFrame(in, n, out); }

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

std::unique_ptr<BlockEncoder> makeEncoder(uint16_t typeCompress, int level) {
  switch (methodOf(typeCompress)) {
    case Method::None: return std::make_unique<StoredEncoder>();
    case Method::Mszip: return std::make_unique<CodecEncoder<codecs::MszipEncoder>>(level);
    case Method::Lzx: {
      int bits = lzxWindowBits(typeCompress);
      if (bits < codecs::kLzxMinWindowBits || bits > codecs::kLzxMaxWindowBits)
        fail(ErrorKind::Usage, "LZX window must be 15 to 21 bits");
      return std::make_unique<CodecEncoder<codecs::LzxEncoder>>(bits);
    }
    default: break;
  }
  fail(ErrorKind::Usage, "cabinets can be written with None, MSZIP or LZX only");
}

}  // namespace fmt::cab
