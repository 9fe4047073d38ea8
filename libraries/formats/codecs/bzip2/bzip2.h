// The bzip2 codec (Burrows-Wheeler blocks of 100k..900k), both directions, as
// tar (.tar.bz2, several streams in a row) and ZIP (method 12, one stream per
// entry) use it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/archive.h"
#include "base/stream.h"

namespace fmt::codecs {

class Bzip2StreamDecoder;
class Bzip2StreamEncoder;

// Decodes one or, with `multiStream`, several concatenated bzip2 streams
// ("BZh1".."BZh9") from `in` into `out`, verifying every block CRC and stream CRC.
// Bytes after the last stream that do not start another one are ignored. Throws
// Corrupt (bad header or code), Checksum (CRC mismatch), Truncated (data ends
// inside a stream, or no stream at all), Cancelled when `progress` returns false;
// `progress` is called about every 256 KB with (bytes written so far, 0).
// Returns the number of bytes written.
uint64_t bzip2Decode(InStream& in, OutStream& out, bool multiStream = true, const ProgressFn& progress = {});

// Pull-style decoder: reading it gives the decoded bytes of `in`, with the same
// checks and errors as bzip2Decode (a CRC error is thrown by the read that
// completes the bad block). `in` must outlive it. Both decoders read `in` ahead
// in chunks, so give them a stream that ends where the compressed data ends
// (a LimitedInStream for a member) when what follows matters.
class Bzip2InStream : public InStream {
 public:
  explicit Bzip2InStream(InStream& in, bool multiStream = true);
  ~Bzip2InStream() override;
  Bzip2InStream(const Bzip2InStream&) = delete;
  Bzip2InStream& operator=(const Bzip2InStream&) = delete;

  size_t read(void* buf, size_t n) override;

 private:
  std::unique_ptr<Bzip2StreamDecoder> impl_;
};

// Streaming encoder writing one bzip2 stream. `level` 1..9 sets the block size
// (level * 100000 bytes); anything else throws Usage. Call finish() once at the
// end: it writes the last block and the stream trailer. Destroying an unfinished
// encoder writes nothing more (the output is then incomplete).
class Bzip2Encoder {
 public:
  Bzip2Encoder(OutStream& out, int level = 9);
  ~Bzip2Encoder();
  Bzip2Encoder(const Bzip2Encoder&) = delete;
  Bzip2Encoder& operator=(const Bzip2Encoder&) = delete;

  void write(const void* data, size_t n);
  void finish();

  uint64_t bytesIn() const;   // uncompressed bytes taken so far
  uint64_t bytesOut() const;  // compressed bytes written to `out` so far

 private:
  std::unique_ptr<Bzip2StreamEncoder> impl_;
};

// Convenience: encodes all of `in` into one stream; `progress` gets (bytes read, 0)
// about every megabyte. Returns the compressed size.
uint64_t bzip2Encode(InStream& in, OutStream& out, int level = 9, const ProgressFn& progress = {});

}  // namespace fmt::codecs
