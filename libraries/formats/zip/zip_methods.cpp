#include "zip/zip_methods.h"

#include <optional>
#include <vector>

#include "codecs/bzip2/bzip2.h"
#include "codecs/deflate/deflate64_decoder.h"
#include "codecs/deflate/raw_inflater.h"
#include "zip/zip_format.h"

namespace fmt::zip {
namespace {

constexpr size_t kChunk = 1 << 18;

}  // namespace

using codecs::RawInflater;

struct Decompressor::State {
  std::vector<uint8_t> in, out;  // made on first use
  std::optional<RawInflater> inflater;

  void buffers() {
    if (in.empty()) in.resize(kChunk), out.resize(kChunk);
  }

  void copyAll(InStream& src, OutStream& dst) {
    buffers();
    while (size_t r = src.read(in.data(), in.size())) dst.write(in.data(), r);
  }

  // zlib's raw inflate: faster than ours, and deflate is by far the common method.
  void inflateDeflate(InStream& src, OutStream& dst) {
    buffers();
    if (!inflater) {
      inflater.emplace("cannot start the deflate decoder");
    } else if (!inflater->reset()) {
      fail(ErrorKind::Io, "cannot restart the deflate decoder");
    }
    size_t pos = 0, left = 0;  // the unread part of `in`
    for (;;) {
      if (left == 0) {
        left = src.read(in.data(), in.size());
        if (left == 0) fail(ErrorKind::Truncated, "deflate data ends too early");
        pos = 0;
      }
      const RawInflater::Step step = inflater->step(in.data() + pos, left, out.data(), out.size());
      pos += step.used;
      left -= step.used;
      if (step.made) dst.write(out.data(), step.made);
      switch (step.status) {
        case RawInflater::Status::End: return;
        case RawInflater::Status::Progress:
        case RawInflater::Status::Stalled: break;
        case RawInflater::Status::OutOfMemory: fail(ErrorKind::Io, "out of memory in the deflate decoder");
        default: {
          const char* why = inflater->message();
          fail(ErrorKind::Corrupt, std::string("deflate data: ") + (why ? why : "invalid"));
        }
      }
    }
  }
};

bool methodSupported(uint16_t method) {
  return method == kMethodStored || method == kMethodDeflate || method == kMethodDeflate64 || method == kMethodBzip2;
}

Decompressor::Decompressor() : s_(std::make_unique<State>()) {}
Decompressor::~Decompressor() = default;

void Decompressor::run(uint16_t method, InStream& in, OutStream& out) {
  switch (method) {
    case kMethodStored: s_->copyAll(in, out); break;
    case kMethodDeflate: s_->inflateDeflate(in, out); break;
    case kMethodDeflate64: inflateRaw(in, out, DeflateVariant::Deflate64); break;
    case kMethodBzip2: codecs::bzip2Decode(in, out, false); break;
    default: fail(ErrorKind::Unsupported, "compression method " + methodName(method) + " is not supported");
  }
}

}  // namespace fmt::zip
