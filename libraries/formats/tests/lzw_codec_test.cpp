// The compress (.Z) codec: our encoder against our decoder at every width and
// mode, against `compress` both ways, and damaged input.
#include <gtest/gtest.h>

#include <algorithm>

#include "codecs/lzw/lzw_decoder.h"
#include "codecs/lzw/lzw_encoder.h"
#include "base/error.h"
#include "test_support.h"

namespace {

using fmt::codecs::LzwOptions;
using testsupport::run;
using testsupport::sh;

std::vector<uint8_t> encode(const std::vector<uint8_t>& data, LzwOptions o) {
  fmt::MemoryInStream in(data);
  fmt::MemoryOutStream out;
  fmt::codecs::lzwEncode(in, out, o);
  return out.data;
}

std::vector<uint8_t> decode(const std::vector<uint8_t>& z) {
  fmt::MemoryInStream in(z);
  fmt::MemoryOutStream out;
  fmt::codecs::lzwDecode(in, out);
  return out.data;
}

// Text long enough to fill a 16-bit table and force CLEARs, then noise.
std::vector<uint8_t> mixed() {
  auto d = testsupport::textBytes(600000, 7);
  auto r = testsupport::randomBytes(150000, 8);
  d.insert(d.end(), r.begin(), r.end());
  auto t = testsupport::textBytes(200000, 9);
  d.insert(d.end(), t.begin(), t.end());
  return d;
}

TEST(LzwCodec, RoundTripsEveryWidthAndMode) {
  const auto data = mixed();
  for (int bits = 9; bits <= 16; bits++) {
    for (bool block : {true, false}) {
      const auto z = encode(data, {bits, block});
      EXPECT_EQ(z[2], bits | (block ? 0x80 : 0)) << bits;
      EXPECT_EQ(decode(z), data) << bits << " bits, block " << block;
    }
  }
}

// The matching loop keeps its state in locals between writes: how the input is
// cut into writes must not change a single byte of the stream.
TEST(LzwCodec, WriteBoundariesDoNotChangeTheStream) {
  const auto data = mixed();
  for (int bits : {9, 12, 16}) {
    const auto whole = encode(data, {bits, true});
    fmt::MemoryOutStream out;
    fmt::codecs::LzwEncoder enc(out, {bits, true});
    size_t at = 0;
    for (size_t step = 1; at < data.size(); step = step * 3 % 70001 + 1) {
      const size_t n = std::min(step, data.size() - at);
      enc.write(data.data() + at, n);
      at += n;
    }
    enc.finish();
    EXPECT_EQ(enc.bytesIn(), data.size());
    EXPECT_EQ(enc.bytesOut(), whole.size());
    EXPECT_EQ(out.data, whole) << bits << " bits";
  }
}

// Text, noise, then other text: a table full of the first text serves the rest
// badly, so block mode must start new ones and come out smaller (at 16 bits,
// where a table lasts long enough to go stale).
TEST(LzwCodec, BlockModeStartsNewTablesWhenTheDataChanges) {
  const auto data = mixed();
  const auto block = encode(data, {16, true});
  const auto plain = encode(data, {16, false});
  EXPECT_LT(block.size(), plain.size() * 95 / 100);
}

TEST(LzwCodec, EmptyAndTinyInputs) {
  for (size_t n : {0, 1, 2, 3, 255, 256, 257}) {
    const auto data = testsupport::randomBytes(n, static_cast<uint32_t>(n));
    const auto z = encode(data, {});
    EXPECT_EQ(decode(z), data) << n;
    if (n == 0) EXPECT_EQ(z.size(), 3u);
  }
}

TEST(LzwCodec, IncompressibleDataGrowsLittle) {
  const auto data = testsupport::randomBytes(400000, 3);
  const auto z = encode(data, {16, true});
  EXPECT_EQ(decode(z), data);
  EXPECT_LT(z.size(), data.size() * 14 / 10);  // 16-bit codes of single bytes would double it
}

TEST(LzwCodec, RepetitiveDataCompresses) {
  std::vector<uint8_t> data(1 << 20, 'a');
  const auto z = encode(data, {});
  EXPECT_LT(z.size(), 4000u);
  EXPECT_EQ(decode(z), data);
}

TEST(LzwCodec, DamagedInputThrowsCleanly) {
  EXPECT_THROW(decode({0x1F, 0x9D}), fmt::Error);  // header cut
  try {
    decode({0x1F, 0x9D, 0x91, 0, 0});
    FAIL() << "17-bit codes accepted";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Unsupported);
  }
  EXPECT_THROW(decode({0x1F, 0x9D, 0x88, 0, 0}), fmt::Error);  // 8 bits
  // First code 300: a string before any is defined.
  try {
    decode({0x1F, 0x9D, 0x90, 0x2C, 0x01});
    FAIL() << "undefined code accepted";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Corrupt);
  }
}

TEST(LzwCodec, TruncatedAndFlippedStreamsNeverCrash) {
  const auto data = testsupport::textBytes(50000, 4);
  const auto z = encode(data, {});
  for (size_t cut = 3; cut < z.size(); cut += 997) {
    std::vector<uint8_t> part(z.begin(), z.begin() + static_cast<long>(cut));
    const auto out = decode(part);  // no end marker: a cut stream is a shorter one
    ASSERT_LE(out.size(), data.size());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin())) << cut;
  }
  for (size_t at = 3; at < z.size(); at += 1009) {
    auto bad = z;
    bad[at] ^= 0x5A;
    try {
      decode(bad);
    } catch (const fmt::Error& e) {
      EXPECT_EQ(e.kind(), fmt::ErrorKind::Corrupt);
    }
  }
}

class LzwOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::haveTool("compress")) GTEST_SKIP() << "compress (ncompress) is not installed";
  }
  testsupport::TempDir dir;
};

TEST_F(LzwOracle, CompressReadsOurOutput) {
  const auto data = mixed();
  for (int bits = 9; bits <= 16; bits++) {
    for (bool block : {true, false}) {
      testsupport::writeFile(dir / "x.Z", encode(data, {bits, block}));
      ASSERT_EQ(run("compress -dc < " + sh(dir / "x.Z") + " > " + sh(dir / "x")), 0) << bits << " " << block;
      EXPECT_EQ(testsupport::readFile(dir / "x"), data) << bits << " bits, block " << block;
    }
  }
}

// Until the table fills, compress and we make the same greedy parse, widen at
// the same codes and pad the same groups: the streams must be equal byte for byte.
// (compress's 9-bit output differs from the start, see below.)
TEST_F(LzwOracle, SameStreamAsCompressBeforeTheTableFills) {
  for (int bits = 10; bits <= 16; bits++) {
    const size_t n = (size_t{1} << bits) - 257;  // at most one new code per byte: never full
    for (const auto& data : {testsupport::textBytes(n, 21), testsupport::randomBytes(n, 22)}) {
      testsupport::writeFile(dir / "in", data);
      ASSERT_EQ(run("compress -c -b " + std::to_string(bits) + " < " + sh(dir / "in") + " > " + sh(dir / "c.Z")) & ~2, 0);
      EXPECT_EQ(encode(data, {bits, true}), testsupport::readFile(dir / "c.Z")) << bits << " bits";
    }
  }
}

TEST_F(LzwOracle, WeReadCompressOutput) {
  const auto data = mixed();
  testsupport::writeFile(dir / "in", data);
  // compress -b9 cannot read back its own output once the table fills, so
  // 9-bit codes are checked on input that never fills it.
  for (int bits = 9; bits <= 16; bits++) {
    const std::string input = bits == 9 ? "small" : "in";
    if (bits == 9) testsupport::writeFile(dir / "small", std::vector<uint8_t>(data.begin(), data.begin() + 200));
    // Status 2 means the output is larger than the input; it is still written.
    run("compress -c -b " + std::to_string(bits) + " < " + sh(dir / input) + " > " + sh(dir / "c.Z"));
    const auto expected = testsupport::readFile(dir / input);
    EXPECT_EQ(decode(testsupport::readFile(dir / "c.Z")), expected) << bits;
  }
}

}  // namespace
