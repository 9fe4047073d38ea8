#include "codecs/deflate/mszip.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "codecs/deflate/deflate_encoder.h"
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

std::string zmessage(const z_stream& z, const char* fallback) { return z.msg ? z.msg : fallback; }

}  // namespace

struct MszipDecoder::State {
  z_stream z{};
  History history;
};

MszipDecoder::MszipDecoder() : s_(std::make_unique<State>()) {
  if (inflateInit2(&s_->z, -MAX_WBITS) != Z_OK) fail(ErrorKind::Io, "cannot start the MSZIP decoder");
}

MszipDecoder::~MszipDecoder() { inflateEnd(&s_->z); }

void MszipDecoder::reset() { s_->history.size = 0; }

void MszipDecoder::decodeBlock(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
  if (outSize > kMszipFrameSize) fail(ErrorKind::Corrupt, "MSZIP block larger than 32 KB");
  if (inSize < 2 || in[0] != 'C' || in[1] != 'K') fail(ErrorKind::Corrupt, "MSZIP block without its CK signature");
  z_stream& z = s_->z;
  inflateReset(&z);
  if (s_->history.size) inflateSetDictionary(&z, s_->history.bytes, static_cast<uInt>(s_->history.size));
  z.next_in = const_cast<Bytef*>(in + 2);
  z.avail_in = static_cast<uInt>(inSize - 2);
  z.next_out = out;
  z.avail_out = static_cast<uInt>(outSize);
  int rc = inflate(&z, Z_SYNC_FLUSH);
  if (rc == Z_OK && z.avail_out == 0 && z.avail_in) {
    // The block may hold only its end-of-stream code beyond the declared bytes.
    uint8_t probe;
    z.next_out = &probe;
    z.avail_out = 1;
    rc = inflate(&z, Z_SYNC_FLUSH);
    if (z.avail_out == 0) fail(ErrorKind::Corrupt, "MSZIP block longer than its stated size");
    z.avail_out = 0;
  }
  if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT || rc == Z_MEM_ERROR || rc == Z_STREAM_ERROR)
    fail(ErrorKind::Corrupt, "MSZIP data: " + zmessage(z, "bad deflate stream"));
  if (z.avail_out != 0) fail(ErrorKind::Corrupt, "MSZIP block shorter than its stated size");
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
