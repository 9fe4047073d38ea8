#include "codecs/deflate/gzip_decoder.h"

#include <cstring>
#include <vector>

#include "codecs/deflate/raw_inflater.h"
#include "core/checksum.h"
#include "core/copy.h"

namespace fmt::codecs {

using namespace gzip;

struct GzipInStream::State {
  explicit State(InStream& src) : in(src), inflater("cannot start the inflater") {}

  enum class Phase { Header, Body, Trailer, Between, Done };

  InStream& in;
  uint8_t inBuf[1 << 16];
  size_t inPos = 0, inLen = 0;
  bool inEnd = false;
  RawInflater inflater;
  Phase phase = Phase::Header;
  GzipHeader first;
  bool haveFirst = false;
  int members = 0;
  uint32_t crc = 0, size = 0, lastCrc = 0;
  bool garbage = false;

  // Keeps at least `want` unread bytes in the buffer when the input has them.
  size_t ensure(size_t want) {
    if (inLen - inPos >= want || inEnd) return inLen - inPos;
    std::memmove(inBuf, inBuf + inPos, inLen - inPos);
    inLen -= inPos;
    inPos = 0;
    while (inLen < want && !inEnd) {
      const size_t got = in.read(inBuf + inLen, sizeof inBuf - inLen);
      if (got == 0) inEnd = true;
      inLen += got;
    }
    return inLen - inPos;
  }

  uint8_t byte(const char* what) {
    if (ensure(1) < 1) fail(ErrorKind::Truncated, std::string("gzip data ends inside the ") + what);
    return inBuf[inPos++];
  }

  uint32_t le(int n, const char* what) {
    uint32_t v = 0;
    for (int i = 0; i < n; i++) v |= static_cast<uint32_t>(byte(what)) << (8 * i);
    return v;
  }

  std::string zeroTerminated(const char* what) {
    std::string s;
    for (;;) {
      const uint8_t c = byte(what);
      if (c == 0) return s;
      if (s.size() >= kMaxNameLength) fail(ErrorKind::Corrupt, std::string("gzip header: the stored ") + what + " is too long");
      s.push_back(static_cast<char>(c));
    }
  }

  void readHeader() {
    if (ensure(kFixedHeaderSize) < 3 || !looksLikeHeader(inBuf + inPos, inLen - inPos))
      fail(members == 0 ? ErrorKind::Corrupt : ErrorKind::Truncated, "not gzip data");
    inPos += 3;
    const uint8_t flags = byte("header");
    if (flags & kFlagsReserved) fail(ErrorKind::Corrupt, "gzip header: reserved flags are set");
    GzipHeader h;
    h.mtime = le(4, "header");
    byte("header");  // extra flags: a hint of the compression level
    h.os = byte("header");
    if (flags & kFlagExtra) {
      uint32_t xlen = le(2, "extra field");
      while (xlen-- > 0) byte("extra field");
    }
    if (flags & kFlagName) {
      h.hasName = true;
      h.name = zeroTerminated("name");
    }
    if (flags & kFlagComment) h.comment = zeroTerminated("comment");
    if (flags & kFlagHeaderCrc) le(2, "header");
    if (!haveFirst) {
      first = std::move(h);
      haveFirst = true;
    }
    if (!inflater.reset()) fail(ErrorKind::Io, "cannot restart the inflater");
    crc = 0;
    size = 0;
    phase = Phase::Body;
  }

  size_t inflateSome(uint8_t* out, size_t n) {
    if (ensure(1) == 0) fail(ErrorKind::Truncated, "gzip data ends inside the compressed data");
    const RawInflater::Step step = inflater.step(inBuf + inPos, inLen - inPos, out, n);
    inPos += step.used;
    crc = crc32Update(crc, out, step.made);
    size += static_cast<uint32_t>(step.made);
    switch (step.status) {
      case RawInflater::Status::End: phase = Phase::Trailer; break;
      case RawInflater::Status::Damaged: {
        const char* why = inflater.message();
        fail(ErrorKind::Corrupt, std::string("gzip data is damaged: ") + (why ? why : "bad deflate data"));
      }
      case RawInflater::Status::OutOfMemory: fail(ErrorKind::Io, "out of memory while inflating");
      default: break;
    }
    return step.made;
  }

  void readTrailer() {
    const uint32_t storedCrc = le(4, "trailer");
    const uint32_t storedSize = le(4, "trailer");
    if (storedCrc != crc) fail(ErrorKind::Checksum, "gzip data: CRC error");
    if (storedSize != size) fail(ErrorKind::Corrupt, "gzip data: the stored size does not match");
    lastCrc = storedCrc;
    members++;
    phase = Phase::Between;
  }

  void nextOrEnd() {
    const size_t left = ensure(3);
    if (left == 0) {
      phase = Phase::Done;
    } else if (looksLikeHeader(inBuf + inPos, left)) {
      phase = Phase::Header;
    } else {
      garbage = true;
      phase = Phase::Done;
    }
  }
};

GzipInStream::GzipInStream(InStream& in) : s_(std::make_unique<State>(in)) {}
GzipInStream::~GzipInStream() = default;

const GzipHeader& GzipInStream::firstHeader() {
  if (!s_->haveFirst) s_->readHeader();
  return s_->first;
}
int GzipInStream::members() const { return s_->members; }
uint32_t GzipInStream::lastMemberCrc() const { return s_->lastCrc; }
bool GzipInStream::trailingGarbage() const { return s_->garbage; }

size_t GzipInStream::read(void* buf, size_t n) {
  State& s = *s_;
  auto* out = static_cast<uint8_t*>(buf);
  size_t done = 0;
  while (done < n) {
    switch (s.phase) {
      case State::Phase::Header: s.readHeader(); break;
      case State::Phase::Body: done += s.inflateSome(out + done, n - done); break;
      case State::Phase::Trailer: s.readTrailer(); break;
      case State::Phase::Between: s.nextOrEnd(); break;
      case State::Phase::Done: return done;
    }
  }
  return done;
}

uint64_t gzipDecode(InStream& in, OutStream& out, const ProgressFn& progress) {
  GzipInStream gz(in);
  return copyStream(gz, out, progress);
}

}  // namespace fmt::codecs
