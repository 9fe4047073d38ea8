// The most-significant-bit-first reader under the LZH, bzip2 and Quantum
// decoders: the same bits from memory and from a stream however it is cut, zeros
// past the end and how far into them a reader went, byte boundaries.
#include "codecs/msb_bit_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "test_support.h"

namespace {

using fmt::codecs::MsbBitReader;

// Hands out at most `piece` bytes a read, as a slow pipe would.
class TrickleInStream : public fmt::InStream {
 public:
  TrickleInStream(const std::vector<uint8_t>& data, size_t piece) : data_(data), piece_(piece) {}
  size_t read(void* buf, size_t n) override {
    n = std::min({n, piece_, data_.size() - at_});
    std::copy(data_.begin() + static_cast<long>(at_), data_.begin() + static_cast<long>(at_ + n),
              static_cast<uint8_t*>(buf));
    at_ += n;
    return n;
  }

 private:
  const std::vector<uint8_t>& data_;
  size_t piece_;
  size_t at_ = 0;
};

// Bit `i` of `data`, most significant first; zero past the end.
uint32_t bitAt(const std::vector<uint8_t>& data, uint64_t i) {
  return i / 8 < data.size() ? (data[i / 8] >> (7 - i % 8)) & 1 : 0;
}

// Reads all of `data` in widths 0..32 in turn, through every call a decoder
// uses, and compares with the bits taken one at a time.
void expectSameBits(MsbBitReader& br, const std::vector<uint8_t>& data) {
  const uint64_t end = data.size() * 8;
  uint64_t at = 0;
  for (int step = 0; at < end; step++) {
    const int n = static_cast<int>(std::min<uint64_t>(step % 33, end - at));
    uint32_t want = 0;
    for (int k = 0; k < n; k++) want = want << 1 | bitAt(data, at + k);
    uint32_t got;
    switch (step % 3) {
      case 0: got = br.bits(n); break;
      case 1: br.ensure(n); got = br.take(n); break;
      default:
        br.ensure(32);
        ASSERT_GE(br.available(), 32);
        got = n ? br.peek(n) : 0;
        br.skip(n);
        break;
    }
    ASSERT_EQ(got, want) << "step " << step << " at bit " << at;
    at += n;
  }
}

TEST(MsbBitReader, SameBitsFromMemoryAndFromStreamsCutAnyWay) {
  const auto data = testsupport::randomBytes(200000, 17);  // several 64 KB chunks
  MsbBitReader fromMemory(data.data(), data.size(), {});
  expectSameBits(fromMemory, data);
  EXPECT_FALSE(fromMemory.overrun());
  for (size_t piece : {size_t{1}, size_t{7}, size_t{1} << 20}) {
    TrickleInStream in(data, piece);
    MsbBitReader fromStream(in);
    expectSameBits(fromStream, data);
    EXPECT_FALSE(fromStream.overrun()) << piece;
  }
}

TEST(MsbBitReader, ZerosPastTheEndAndHowFarTheyWereRead) {
  const std::vector<uint8_t> data = {0xA5, 0xFF};
  MsbBitReader br(data.data(), data.size(), {8, "ends early"});
  EXPECT_EQ(br.bits(16), 0xA5FFu);
  EXPECT_FALSE(br.overrun());  // look-ahead has loaded zeros, none consumed
  EXPECT_EQ(br.bits(3), 0u);
  EXPECT_TRUE(br.overrun());
  EXPECT_FALSE(br.overrun(3));  // within a slack of three bits
  EXPECT_TRUE(br.overrun(2));
  EXPECT_NO_THROW(br.checkOverrun(3));
  try {
    br.checkOverrun();
    FAIL() << "no error";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Truncated);
    EXPECT_STREQ(e.what(), "ends early");
  }
  // More zeros than allowed: hostile input. The look-ahead behind the first
  // read wants six zero bytes after these two.
  MsbBitReader strict(data.data(), data.size(), {5, "ends early"});
  EXPECT_THROW(strict.bits(16), fmt::Error);
  std::vector<uint8_t> none;
  TrickleInStream empty(none, 1);
  MsbBitReader stream(empty);  // 64 zero bytes allowed by default
  for (int i = 0; i < 16; i++) EXPECT_EQ(stream.bits(32), 0u);
  EXPECT_THROW(stream.bits(32), fmt::Error);
}

TEST(MsbBitReader, ByteBoundariesAndTheEndOfTheInput) {
  const std::vector<uint8_t> data = {0xF0, 0x12, 0x34};
  for (bool fromStream : {false, true}) {
    TrickleInStream in(data, 1);
    MsbBitReader memory(data.data(), data.size(), {});
    MsbBitReader stream(in);
    MsbBitReader& br = fromStream ? stream : memory;
    EXPECT_FALSE(br.atEnd());
    EXPECT_EQ(br.bits(3), 7u);
    br.alignToByte();  // the rest of 0xF0 dropped
    EXPECT_EQ(br.bits(8), 0x12u);
    EXPECT_FALSE(br.atEnd());
    EXPECT_EQ(br.bits(8), 0x34u);
    EXPECT_TRUE(br.atEnd());
    EXPECT_FALSE(br.overrun());
  }
}

}  // namespace
