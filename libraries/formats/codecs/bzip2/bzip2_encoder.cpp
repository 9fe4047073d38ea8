// The stream level of the bzip2 encoder: the first run-length step, cutting the
// input into blocks, stream header and trailer.
#include <vector>

#include "codecs/bzip2/bzip2.h"
#include "codecs/bzip2/bzip2_bit_writer.h"
#include "codecs/bzip2/bzip2_block_encoder.h"
#include "core/copy.h"

namespace fmt::codecs {

class Bzip2StreamEncoder {
 public:
  Bzip2StreamEncoder(OutStream& out, int level) : out_(out), level_(level) {
    if (level < 1 || level > 9) fail(ErrorKind::Usage, "bzip2 level must be 1..9");
    // Room below the block size as every encoder keeps it, so the longest run
    // written last always fits.
    limit_ = bz2::blockCapacity(level) - 19;
    block_.resize(bz2::blockCapacity(level));
  }

  void write(const uint8_t* data, size_t n) {
    if (finished_) fail(ErrorKind::Usage, "bzip2 encoder already finished");
    const uint8_t* p = data;
    const uint8_t* end = data + n;
    const uint8_t* crcFrom = data;
    while (p < end) {
      int b = *p;
      if (b == runByte_ && runLength_ < 255) {
        runLength_++;
        p++;
        continue;
      }
      if (runLength_) {
        flushRun();
        // A block is cut only between runs, so the bytes before p are all in it.
        if (blockLength_ >= limit_) {
          blockCrc_ = bz2::crcUpdate(blockCrc_, crcFrom, static_cast<size_t>(p - crcFrom));
          crcFrom = p;
          endBlock();
        }
      }
      runByte_ = b;
      runLength_ = 1;
      p++;
    }
    blockCrc_ = bz2::crcUpdate(blockCrc_, crcFrom, static_cast<size_t>(end - crcFrom));
    bytesIn_ += n;
  }

  void finish() {
    if (finished_) return;
    if (runLength_) flushRun();
    if (blockLength_) endBlock();
    writeHeader();
    bits_.put48(bz2::kStreamEndMagic);
    bits_.put(32, streamCrc_);
    bits_.alignToByte();
    bytesOut_ += bits_.drainTo(out_);
    finished_ = true;
  }

  uint64_t bytesIn() const { return bytesIn_; }
  uint64_t bytesOut() const { return bytesOut_; }

 private:
  void flushRun() {
    uint8_t* q = block_.data() + blockLength_;
    auto b = static_cast<uint8_t>(runByte_);
    if (runLength_ < 4) {
      for (int i = 0; i < runLength_; i++) q[i] = b;
      blockLength_ += static_cast<uint32_t>(runLength_);
    } else {
      q[0] = q[1] = q[2] = q[3] = b;
      q[4] = static_cast<uint8_t>(runLength_ - 4);
      blockLength_ += 5;
    }
    runLength_ = 0;
    runByte_ = -1;
  }

  void writeHeader() {
    if (headerWritten_) return;
    bits_.put(32, 0x425A6800u | static_cast<uint32_t>('0' + level_));  // "BZh" and the level
    headerWritten_ = true;
  }

  void endBlock() {
    writeHeader();
    uint32_t crc = ~blockCrc_;
    encoder_.encode(block_.data(), blockLength_, crc, bits_);
    streamCrc_ = bz2::combineStreamCrc(streamCrc_, crc);
    bytesOut_ += bits_.drainTo(out_);
    blockLength_ = 0;
    blockCrc_ = 0xFFFFFFFFu;
  }

  OutStream& out_;
  int level_;
  uint32_t limit_ = 0;
  std::vector<uint8_t> block_;
  uint32_t blockLength_ = 0;
  int runByte_ = -1;
  int runLength_ = 0;
  uint32_t blockCrc_ = 0xFFFFFFFFu;
  uint32_t streamCrc_ = 0;
  bz2::BlockEncoder encoder_;
  bz2::BitWriter bits_;
  bool headerWritten_ = false;
  bool finished_ = false;
  uint64_t bytesIn_ = 0;
  uint64_t bytesOut_ = 0;
};

Bzip2Encoder::Bzip2Encoder(OutStream& out, int level) : impl_(std::make_unique<Bzip2StreamEncoder>(out, level)) {}
Bzip2Encoder::~Bzip2Encoder() = default;
void Bzip2Encoder::write(const void* data, size_t n) { impl_->write(static_cast<const uint8_t*>(data), n); }
void Bzip2Encoder::finish() { impl_->finish(); }
uint64_t Bzip2Encoder::bytesIn() const { return impl_->bytesIn(); }
uint64_t Bzip2Encoder::bytesOut() const { return impl_->bytesOut(); }

uint64_t bzip2Encode(InStream& in, OutStream& out, int level, const ProgressFn& progress) {
  Bzip2Encoder encoder(out, level);
  return encodeStream(in, encoder, 1 << 20, progress);
}

}  // namespace fmt::codecs
