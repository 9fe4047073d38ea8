// Our inflater: plain deflate against zlib's encoder over every block type and
// level, the 64 KB variant's own codes on hand-made streams, and damaged input.
#include <gtest/gtest.h>
#include <zlib.h>

#include "codecs/deflate/deflate64_decoder.h"
#include "base/error.h"
#include "test_support.h"
#include "zip_test_writer.h"

namespace {

using fmt::DeflateVariant;
using fmt::ErrorKind;

std::vector<uint8_t> inflate(const std::vector<uint8_t>& in, DeflateVariant v) {
  fmt::MemoryInStream src(in);
  fmt::MemoryOutStream out;
  fmt::inflateRaw(src, out, v);
  return out.data;
}

ErrorKind inflateError(const std::vector<uint8_t>& in, DeflateVariant v) {
  try {
    inflate(in, v);
  } catch (const fmt::Error& e) {
    return e.kind();
  }
  ADD_FAILURE() << "decoded without an error";
  return ErrorKind::Io;
}

// LSB-first bit writer with the fixed Huffman codes, for streams zlib cannot make.
class FixedBlockWriter {
 public:
  FixedBlockWriter() { bits(1, 1), bits(1, 1), bits(0, 1); }  // final block, type 1
  void literal(int c) {
    if (c < 144) code(0x30 + c, 8);
    else code(0x190 + c - 144, 9);
  }
  void lengthCode(int sym, uint32_t extra, int extraBits) {  // sym 257..287
    if (sym < 280) code(sym - 256, 7);
    else code(0xC0 + sym - 280, 8);
    bits(extra, extraBits);
  }
  void distanceCode(int sym, uint32_t extra, int extraBits) {
    code(sym, 5);
    bits(extra, extraBits);
  }
  std::vector<uint8_t> finish() {
    code(0, 7);  // end of block
    if (n_) out_.push_back(uint8_t(acc_));
    return out_;
  }

 private:
  void code(uint32_t c, int len) {  // Huffman codes go most significant bit first
    for (int i = len - 1; i >= 0; i--) bits((c >> i) & 1, 1);
  }
  void bits(uint32_t v, int n) {
    for (int i = 0; i < n; i++) {
      acc_ |= ((v >> i) & 1) << n_;
      if (++n_ == 8) out_.push_back(uint8_t(acc_)), acc_ = 0, n_ = 0;
    }
  }
  std::vector<uint8_t> out_;
  uint32_t acc_ = 0;
  int n_ = 0;
};

TEST(InflatePlainDeflate, MatchesZlibAcrossLevelsAndStrategies) {
  auto text = testsupport::textBytes(300000, 1);
  auto noise = testsupport::randomBytes(100000, 2);
  std::vector<uint8_t> mixed = text;
  mixed.insert(mixed.end(), noise.begin(), noise.end());
  for (const auto* data : {&text, &noise, &mixed}) {
    for (int level : {0, 1, 6, 9}) {
      EXPECT_EQ(inflate(ziptest::rawDeflate(*data, level), DeflateVariant::Deflate), *data) << level;
    }
  }
  // Fixed codes only (small input) and an empty stream.
  auto small = ziptest::bytesOf("abcabcabcabc hello hello hello");
  EXPECT_EQ(inflate(ziptest::rawDeflate(small, 9), DeflateVariant::Deflate), small);
  EXPECT_TRUE(inflate(ziptest::rawDeflate({}, 9), DeflateVariant::Deflate).empty());
  // Long runs: distance 1 with length 258 over and over, across the window's wrap.
  std::vector<uint8_t> run(200000, 'z');
  EXPECT_EQ(inflate(ziptest::rawDeflate(run, 9), DeflateVariant::Deflate), run);
}

TEST(InflateDeflate64, LongLengthsAndFarDistances) {
  // 40000 bytes of a pattern, then a copy from 40000 back (code 30) of 1000
  // bytes (length code 285 with 16 extra bits), then one from 60000 back (code 31).
  auto head = testsupport::randomBytes(60000, 3);
  for (auto& b : head) b &= 0x7F;  // literals of 8 bits only, to keep the writer simple
  FixedBlockWriter w;
  for (uint8_t b : head) w.literal(b);
  w.lengthCode(285, 1000 - 3, 16);
  w.distanceCode(30, 40000 - 32769, 14);
  w.lengthCode(285, 65538 - 3, 16);
  w.distanceCode(31, 60000 - 49153, 14);
  auto stream = w.finish();

  std::vector<uint8_t> want = head;
  for (int i = 0; i < 1000; i++) want.push_back(want[want.size() - 40000]);
  for (int i = 0; i < 65538; i++) want.push_back(want[want.size() - 60000]);
  EXPECT_EQ(inflate(stream, DeflateVariant::Deflate64), want);
  // Plain deflate reads code 285 without extra bits and has no distance code 30.
  EXPECT_THROW(inflate(stream, DeflateVariant::Deflate), fmt::Error);
}

TEST(InflateDeflate64, Code285IsLength258InPlainDeflate) {
  FixedBlockWriter w;
  w.literal('q');
  w.lengthCode(285, 0, 0);
  w.distanceCode(0, 0, 0);
  EXPECT_EQ(inflate(w.finish(), DeflateVariant::Deflate), std::vector<uint8_t>(259, 'q'));
}

TEST(InflateDamage, BadAndTruncatedStreamsFailCleanly) {
  auto text = testsupport::textBytes(100000, 4);
  auto good = ziptest::rawDeflate(text, 9);
  for (size_t cut : {size_t(0), size_t(1), good.size() / 3, good.size() - 1}) {
    std::vector<uint8_t> part(good.begin(), good.begin() + cut);
    EXPECT_EQ(inflateError(part, DeflateVariant::Deflate64), ErrorKind::Truncated) << cut;
  }
  EXPECT_EQ(inflateError({0x07}, DeflateVariant::Deflate64), ErrorKind::Corrupt);  // block type 3
  EXPECT_EQ(inflateError({0x01, 0x05, 0x00, 0x05, 0x00}, DeflateVariant::Deflate64), ErrorKind::Corrupt);  // NLEN

  FixedBlockWriter before;
  before.literal('a');
  before.lengthCode(257, 0, 0);
  before.distanceCode(1, 0, 0);  // distance 2 with one byte written
  EXPECT_EQ(inflateError(before.finish(), DeflateVariant::Deflate64), ErrorKind::Corrupt);
}

}  // namespace
