// zlib's inflate over raw deflate data (no zlib or gzip wrapper), under the
// framings that carry it: gzip members, MSZIP frames, ZIP entries. Each of them
// keeps its own framing and words its own errors from the status of a step.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

struct z_stream_s;

namespace fmt::codecs {

class RawInflater {
 public:
  enum class Status {
    Progress,     // the stream goes on
    Stalled,      // nothing could be done: more input or more room is needed
    End,          // the final block ended
    Damaged,      // not valid deflate data; message() may say why
    OutOfMemory,
    Refused,      // zlib refused the call: its state is broken
  };
  struct Step {
    size_t used = 0;  // input bytes taken
    size_t made = 0;  // output bytes produced
    Status status = Status::Progress;
  };

  // Ready for a first stream; throws Io with `startFailure` when zlib cannot start.
  explicit RawInflater(const char* startFailure);
  ~RawInflater();
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;

  // Starts a new stream whose window holds `history` (its last 32 KB count),
  // so that the stream may refer back into it. False when zlib refuses; the
  // steps then fail too (Refused or OutOfMemory).
  bool reset(const uint8_t* history = nullptr, size_t historySize = 0);
  // Inflates from in[0, inSize) into out[0, outSize) as far as either goes.
  // Pull and push alike: the caller owns both buffers and keeps its place in them.
  Step step(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);
  // zlib's word on the last failure; null when it gave none.
  const char* message() const;

 private:
  std::unique_ptr<z_stream_s> z_;
};

}  // namespace fmt::codecs
