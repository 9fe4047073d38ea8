#include "codecs/deflate/mszip.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "codecs/deflate/deflate_encoder.h"
#include "codecs/deflate/raw_inflater.h"
#include "base/error.h"

namespace fmt::codecs {
namespace {

constexpr size_t kWindow = 32768;

// The last 32 KB of everything a folder has produced so far.
struct History {
  uint8_t bytes[kWindow];
  size_t size = 0;
  void append(const uint8_t* p, size_t n) {
    if (n >= kWindow) {
      std::memcpy(bytes, p + n - kWindow, kWindow);
      size = kWindow;
      return;
    }
    size_t keep = std::min(size, kWindow - n);
    std::memmove(bytes, bytes + size - keep, keep);
    std::memcpy(bytes + keep, p, n);
    size = keep + n;
  }
};

}  // namespace

struct MszipDecoder::State {
  RawInflater inflater{"cannot start the MSZIP decoder"};
  History history;
};

MszipDecoder::MszipDecoder() : s_(std::make_unique<State>()) {}

MszipDecoder::~MszipDecoder() = default;

void MszipDecoder::reset() { s_->history.size = 0; }

void MszipDecoder::decodeBlock(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
  if (outSize > kMszipFrameSize) fail(ErrorKind::Corrupt, "MSZIP block larger than 32 KB");
  if (inSize < 2 || in[0] != 'C' || in[1] != 'K') fail(ErrorKind::Corrupt, "MSZIP block without its CK signature");
  RawInflater& inflater = s_->inflater;
  // A refused reset needs no check of its own: the step then fails, and every
  // failure below is damage.
  inflater.reset(s_->history.bytes, s_->history.size);
  const uint8_t* data = in + 2;
  const size_t dataSize = inSize - 2;
  RawInflater::Step step = inflater.step(data, dataSize, out, outSize);
  if (step.status == RawInflater::Status::Progress && step.made == outSize && step.used < dataSize) {
    // The block may hold only its end-of-stream code beyond the declared bytes.
    uint8_t probe;
    const RawInflater::Step extra = inflater.step(data + step.used, dataSize - step.used, &probe, 1);
    if (extra.made != 0) fail(ErrorKind::Corrupt, "MSZIP block longer than its stated size");
    step.status = extra.status;
  }
  switch (step.status) {
    case RawInflater::Status::Damaged:
    case RawInflater::Status::OutOfMemory:
    case RawInflater::Status::Refused: {
      const char* why = inflater.message();
      fail(ErrorKind::Corrupt, std::string("MSZIP data: ") + (why ? why : "bad deflate stream"));
    }
    default: break;
  }
  if (step.made != outSize) fail(ErrorKind::Corrupt, "MSZIP block shorter than its stated size");
  // A block that ends without a final deflate block is accepted when it filled
  // its size: some encoders end blocks with a sync flush instead.
  s_->history.append(out, outSize);
}

struct MszipEncoder::State {
  explicit State(int level) : deflate(level) {}
  DeflateEncoder deflate;
  History history;
  std::vector<uint8_t> span;  // the history and the frame side by side, for encodeFrame
};

MszipEncoder::MszipEncoder(int level) {
  if (level < 1 || level > 9) fail(ErrorKind::Usage, "MSZIP level must be 1 to 9");
  s_ = std::make_unique<State>(level);
}

MszipEncoder::~MszipEncoder() = default;

void MszipEncoder::reset() { s_->history.size = 0; }

void MszipEncoder::encodeFrame(const uint8_t* in, size_t n, std::vector<uint8_t>& out) {
  if (n > kMszipFrameSize) fail(ErrorKind::Usage, "MSZIP frame larger than 32 KB");
  std::vector<uint8_t>& span = s_->span;
  span.assign(s_->history.bytes, s_->history.bytes + s_->history.size);
  span.insert(span.end(), in, in + n);
  encodeFrameAfter(span.data() + s_->history.size, s_->history.size, n, out);
  s_->history.append(in, n);
}

void MszipEncoder::encodeFrameAfter(const uint8_t* in, size_t historySize, size_t n, std::vector<uint8_t>& out) {
  if (n > kMszipFrameSize) fail(ErrorKind::Usage, "MSZIP frame larger than 32 KB");
  out.push_back('C');
  out.push_back('K');
  s_->deflate.encode(in, std::min(historySize, kWindow), n, out);
}

void MszipEncoder::encodeFramesAfter(const uint8_t* in, size_t historySize, size_t n,
                                     std::vector<std::vector<uint8_t>>& blocks) {
  static_assert(DeflateEncoder::kFrame == kMszipFrameSize);
  const size_t frames = (n + kMszipFrameSize - 1) / kMszipFrameSize;
  blocks.assign(frames, std::vector<uint8_t>{'C', 'K'});
  s_->deflate.encodeFrames(in, std::min(historySize, kWindow), n, blocks);
}

}  // namespace fmt::codecs
