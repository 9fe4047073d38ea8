// The stream level of the bzip2 decoder: headers, blocks, trailers, several
// streams in a row.
#include <memory>
#include <vector>

#include "codecs/bzip2/bzip2.h"
#include "codecs/msb_bit_reader.h"
#include "codecs/bzip2/bzip2_block_decoder.h"

namespace fmt::codecs {

// Zeros past the end keep look-ahead simple; reading far into them means truncation.
constexpr MsbBitReader::PastEnd kPastEnd{16, "bzip2 data ends early"};

class Bzip2StreamDecoder {
 public:
  Bzip2StreamDecoder(InStream& in, bool multiStream) : br_(in, kPastEnd), multiStream_(multiStream) {}

  size_t read(uint8_t* buf, size_t n) {
    try {
      return readSome(buf, n);
    } catch (const Error& e) {
      // Zeros stand in for missing input; what they decode to is no real damage.
      if (e.kind() == ErrorKind::Corrupt && br_.overrun()) fail(ErrorKind::Truncated, "bzip2 data ends early");
      throw;
    }
  }

 private:
  size_t readSome(uint8_t* buf, size_t n) {
    size_t got = 0;
    while (got < n) {
      switch (state_) {
        case State::FirstHeader:
          if (br_.atEnd()) fail(ErrorKind::Truncated, "no bzip2 data");
          if (!readHeader()) fail(ErrorKind::Corrupt, "not bzip2 data");
          break;
        case State::NextHeader:
          // Whatever follows the last stream and does not start another is ignored.
          if (br_.atEnd() || !readHeader()) state_ = State::Done;
          break;
        case State::Blocks:
          nextBlock();
          break;
        case State::InBlock:
          got += block_.produce(buf + got, n - got);
          if (block_.finished()) {
            if (block_.computedCrc() != block_.storedCrc())
              fail(ErrorKind::Checksum, "bzip2 block CRC does not match its data");
            streamCrc_ = bz2::combineStreamCrc(streamCrc_, block_.storedCrc());
            state_ = State::Blocks;
          }
          break;
        case State::Done:
          return got;
      }
    }
    return got;
  }

  enum class State { FirstHeader, NextHeader, Blocks, InBlock, Done };

  bool readHeader() {
    uint32_t h = br_.bits(32);
    if ((h >> 8) != 0x425A68u) return false;  // "BZh"
    int level = static_cast<int>(h & 0xFF) - '0';
    if (level < 1 || level > 9) return false;
    br_.checkOverrun();
    capacity_ = bz2::blockCapacity(level);
    streamCrc_ = 0;
    state_ = State::Blocks;
    return true;
  }

  void nextBlock() {
    uint64_t magic = static_cast<uint64_t>(br_.bits(24)) << 24;
    magic |= br_.bits(24);
    if (magic == bz2::kBlockMagic) {
      block_.read(br_, capacity_);
      state_ = State::InBlock;
      return;
    }
    if (magic != bz2::kStreamEndMagic) {
      br_.checkOverrun();
      fail(ErrorKind::Corrupt, "bzip2 block magic is missing");
    }
    uint32_t stored = br_.bits(32);
    br_.checkOverrun();
    if (stored != streamCrc_) fail(ErrorKind::Checksum, "bzip2 stream CRC does not match its blocks");
    br_.alignToByte();
    state_ = multiStream_ ? State::NextHeader : State::Done;
  }

  MsbBitReader br_;
  bz2::BlockDecoder block_;
  bool multiStream_;
  State state_ = State::FirstHeader;
  uint32_t capacity_ = 0;
  uint32_t streamCrc_ = 0;
};

Bzip2InStream::Bzip2InStream(InStream& in, bool multiStream)
    : impl_(std::make_unique<Bzip2StreamDecoder>(in, multiStream)) {}
Bzip2InStream::~Bzip2InStream() = default;

size_t Bzip2InStream::read(void* buf, size_t n) { return impl_->read(static_cast<uint8_t*>(buf), n); }

uint64_t bzip2Decode(InStream& in, OutStream& out, bool multiStream, const ProgressFn& progress) {
  Bzip2StreamDecoder decoder(in, multiStream);
  std::vector<uint8_t> buf(1 << 18);
  uint64_t total = 0;
  for (;;) {
    size_t n = decoder.read(buf.data(), buf.size());
    if (n == 0) break;
    out.write(buf.data(), n);
    total += n;
    if (progress && !progress(total, 0)) fail(ErrorKind::Cancelled, "cancelled");
  }
  return total;
}

}  // namespace fmt::codecs
