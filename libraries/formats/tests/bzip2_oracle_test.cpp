// Our bzip2 streams against the independent bzip2 program, both ways, byte for byte.
#include <gtest/gtest.h>

#include "codecs/bzip2/bzip2.h"
#include "codecs/bzip2/bzip2_block_encoder.h"
#include "test_support.h"

using namespace testsupport;

namespace {

std::vector<uint8_t> ourEncode(const std::vector<uint8_t>& data, int level) {
  fmt::MemoryInStream in(data);
  fmt::MemoryOutStream out;
  fmt::codecs::bzip2Encode(in, out, level);
  return out.data;
}

std::vector<uint8_t> ourDecode(const std::vector<uint8_t>& packed) {
  fmt::MemoryInStream in(packed);
  fmt::MemoryOutStream out;
  fmt::codecs::bzip2Decode(in, out);
  return out.data;
}

// Runs bzip2 with `args` from `in` into `out`; returns its exit status.
int bzip2(const std::string& args, const std::string& in, const std::string& out) {
  return run("bzip2 " + args + " <" + sh(in) + " >" + sh(out));
}

// Mixed content: text, a binary-like stretch with zero padding, long runs.
std::vector<uint8_t> mixed(size_t n, uint32_t seed) {
  auto v = textBytes(n / 2, seed);
  auto r = randomBytes(n / 4, seed + 1);
  for (size_t i = 0; i < r.size(); i += 64) std::fill(r.begin() + static_cast<long>(i), r.begin() + static_cast<long>(std::min(i + 24, r.size())), 0);
  v.insert(v.end(), r.begin(), r.end());
  while (v.size() < n) v.insert(v.end(), std::min<size_t>(1000, n - v.size()), static_cast<uint8_t>(v.size()));
  return v;
}

class Bzip2Oracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveTool("bzip2")) GTEST_SKIP() << "bzip2 is not installed";
  }
  TempDir dir;
};

}  // namespace

TEST_F(Bzip2Oracle, Bzip2DecodesOurStreamsAtEveryLevel) {
  for (int level = 1; level <= 9; level++) {
    auto data = mixed(static_cast<size_t>(level) * 100000 + 54321, static_cast<uint32_t>(level));
    writeFile(dir / "our.bz2", ourEncode(data, level));
    ASSERT_EQ(bzip2("-d -c", dir / "our.bz2", dir / "back"), 0) << "level " << level;
    EXPECT_EQ(readFile(dir / "back"), data) << "level " << level;
  }
}

TEST_F(Bzip2Oracle, Bzip2DecodesOurEdgeCases) {
  std::vector<std::vector<uint8_t>> cases = {{}, {1}, std::vector<uint8_t>(1000000, 0), std::vector<uint8_t>(70000, 0xFB),
                                             randomBytes(900000, 9)};
  for (size_t i = 0; i < cases.size(); i++) {
    writeFile(dir / "our.bz2", ourEncode(cases[i], 9));
    ASSERT_EQ(bzip2("-d -c", dir / "our.bz2", dir / "back"), 0) << i;
    EXPECT_EQ(readFile(dir / "back"), cases[i]) << i;
  }
}

TEST_F(Bzip2Oracle, WeDecodeBzip2StreamsAtLevelsOneAndNine) {
  auto data = mixed(2500000, 77);
  writeFile(dir / "in", data);
  for (const char* level : {"-1", "-9"}) {
    ASSERT_EQ(bzip2(std::string(level) + " -c", dir / "in", dir / "ref.bz2"), 0);
    EXPECT_EQ(ourDecode(readFile(dir / "ref.bz2")), data) << level;
  }
}

TEST_F(Bzip2Oracle, WeDecodeConcatenatedBzip2Streams) {
  auto a = textBytes(300000, 1), b = std::vector<uint8_t>(5000, 'q'), c = randomBytes(200000, 3);
  writeFile(dir / "a", a);
  writeFile(dir / "b", b);
  writeFile(dir / "c", c);
  ASSERT_EQ(run("cd " + sh(dir.path()) + " && bzip2 -9 -c a >all.bz2 && bzip2 -1 -c b >>all.bz2 && bzip2 -c c >>all.bz2"), 0);
  std::vector<uint8_t> want(a);
  want.insert(want.end(), b.begin(), b.end());
  want.insert(want.end(), c.begin(), c.end());
  EXPECT_EQ(ourDecode(readFile(dir / "all.bz2")), want);
}

TEST_F(Bzip2Oracle, OurOutputIsNoBiggerThanBzip2s) {
  auto data = mixed(1800000, 5);
  writeFile(dir / "in", data);
  ASSERT_EQ(bzip2("-9 -c", dir / "in", dir / "ref.bz2"), 0);
  size_t theirs = readFile(dir / "ref.bz2").size();
  size_t ours = ourEncode(data, 9).size();
  EXPECT_LE(ours, theirs + theirs / 200) << "ours " << ours << ", bzip2 " << theirs;
}

// Old randomised blocks: the decoder's mask table must be the one bzip2 uses.
// A block long enough to cycle through the whole table, written randomised by
// our block writer, must come back the same from bzip2 and from us.
TEST_F(Bzip2Oracle, RandomisedBlocksDecodeLikeBzip2) {
  auto data = textBytes(600000, 12);
  // Without runs of four the block is the data itself.
  for (size_t i = 3; i < data.size(); i++)
    if (data[i] == data[i - 1] && data[i] == data[i - 2] && data[i] == data[i - 3]) data[i] ^= 1;
  uint32_t crc = ~fmt::codecs::bz2::crcUpdate(0xFFFFFFFFu, data.data(), data.size());
  fmt::codecs::bz2::BitWriter bits;
  bits.put(32, 0x425A6839u);  // "BZh9"
  fmt::codecs::bz2::BlockEncoder block;
  block.encode(data.data(), static_cast<uint32_t>(data.size()), crc, bits, true);
  bits.put48(fmt::codecs::bz2::kStreamEndMagic);
  bits.put(32, fmt::codecs::bz2::combineStreamCrc(0, crc));
  bits.alignToByte();
  fmt::MemoryOutStream packed;
  bits.drainTo(packed);

  writeFile(dir / "rand.bz2", packed.data);
  ASSERT_EQ(bzip2("-d -c", dir / "rand.bz2", dir / "back"), 0);
  EXPECT_EQ(readFile(dir / "back"), data);
  EXPECT_EQ(ourDecode(packed.data), data);
}
