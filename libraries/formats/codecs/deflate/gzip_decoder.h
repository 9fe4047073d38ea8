// Decoder of gzip data (one or several members in a row) over zlib's inflate.
#pragma once
#include <cstdint>
#include <memory>

#include "codecs/deflate/gzip_format.h"
#include "core/archive.h"
#include "base/stream.h"

namespace fmt::codecs {

// Pull-style: reading it gives the decoded bytes of every member in `in`, each
// member's CRC-32 and size checked at its end (Checksum on a mismatch). Throws
// Corrupt for a bad header or bad deflate data, Truncated when a member ends
// early. Bytes after a member that do not start another are ignored and noted
// by trailingGarbage(). `in` must outlive it.
class GzipInStream : public InStream {
 public:
  explicit GzipInStream(InStream& in);
  ~GzipInStream() override;
  GzipInStream(const GzipInStream&) = delete;
  GzipInStream& operator=(const GzipInStream&) = delete;

  size_t read(void* buf, size_t n) override;

  // The first member's header, read now if it was not yet.
  const GzipHeader& firstHeader();
  int members() const;             // members finished so far
  uint32_t lastMemberCrc() const;  // the stored CRC-32 of the last finished member
  bool trailingGarbage() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

uint64_t gzipDecode(InStream& in, OutStream& out, const ProgressFn& progress = {});

}  // namespace fmt::codecs
