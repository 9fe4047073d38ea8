// Round trips through our own bzip2 encoder and decoder: levels, block cuts,
// run-length edge cases, streaming in pieces, several streams in a row.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "codecs/bzip2/bzip2.h"
#include "codecs/bzip2/bzip2_format.h"
#include "test_support.h"

using fmt::codecs::Bzip2Encoder;
using fmt::codecs::Bzip2InStream;
using fmt::codecs::bzip2Decode;
using fmt::codecs::bzip2Encode;
using testsupport::randomBytes;
using testsupport::textBytes;

namespace {

std::vector<uint8_t> encode(const std::vector<uint8_t>& data, int level) {
  fmt::MemoryInStream in(data);
  fmt::MemoryOutStream out;
  bzip2Encode(in, out, level);
  return out.data;
}

std::vector<uint8_t> decode(const std::vector<uint8_t>& packed, bool multiStream = true) {
  fmt::MemoryInStream in(packed);
  fmt::MemoryOutStream out;
  uint64_t n = bzip2Decode(in, out, multiStream);
  EXPECT_EQ(n, out.data.size());
  return out.data;
}

// Runs of each length 1..maxRun of changing byte values.
std::vector<uint8_t> runsOfEveryLength(int maxRun) {
  std::vector<uint8_t> v;
  for (int len = 1; len <= maxRun; len++) v.insert(v.end(), static_cast<size_t>(len), static_cast<uint8_t>(len * 7));
  return v;
}

}  // namespace

TEST(Bzip2Crc, MatchesTheStandardCheckValue) {
  const char* s = "123456789";
  EXPECT_EQ(~fmt::codecs::bz2::crcUpdate(0xFFFFFFFFu, s, 9), 0xFC891918u);
  // The sliced loop and the byte loop must agree at every split.
  auto data = randomBytes(1000, 3);
  uint32_t whole = fmt::codecs::bz2::crcUpdate(0xFFFFFFFFu, data.data(), data.size());
  for (size_t cut : {1, 7, 8, 9, 500, 999}) {
    uint32_t c = fmt::codecs::bz2::crcUpdate(0xFFFFFFFFu, data.data(), cut);
    EXPECT_EQ(fmt::codecs::bz2::crcUpdate(c, data.data() + cut, data.size() - cut), whole) << cut;
  }
}

TEST(Bzip2RoundTrip, EveryLevelOverSeveralBlocks) {
  for (int level = 1; level <= 9; level++) {
    auto data = textBytes(static_cast<size_t>(level) * 100000 * 3 / 2 + 12345, static_cast<uint32_t>(level));
    auto packed = encode(data, level);
    ASSERT_GE(packed.size(), 4u);
    EXPECT_EQ(packed[3], '0' + level);
    EXPECT_LT(packed.size(), data.size() / 2) << "text must compress, level " << level;
    EXPECT_EQ(decode(packed), data) << "level " << level;
  }
}

TEST(Bzip2RoundTrip, EmptyInputIsAValidEmptyStream) {
  auto packed = encode({}, 9);
  EXPECT_EQ(packed.size(), 14u);  // header, end magic, CRC, padding
  EXPECT_TRUE(decode(packed).empty());
}

TEST(Bzip2RoundTrip, SmallAndRunLengthEdgeCases) {
  std::vector<std::vector<uint8_t>> cases = {
      {0x41},
      {0, 0, 0},
      {0, 0, 0, 0},               // exactly one run-length group with count 0
      {5, 5, 5, 5, 5},
      std::vector<uint8_t>(255, 9),  // the longest run one count byte holds
      std::vector<uint8_t>(256, 9),
      std::vector<uint8_t>(259, 9),
      std::vector<uint8_t>(100000, 0),
      std::vector<uint8_t>(3000, 0xFB),  // count bytes equal to the run byte
      runsOfEveryLength(600),
  };
  std::vector<uint8_t> all(256);
  std::iota(all.begin(), all.end(), 0);
  cases.push_back(all);
  std::vector<uint8_t> allTwice(all);
  allTwice.insert(allTwice.end(), all.rbegin(), all.rend());
  cases.push_back(allTwice);
  for (size_t i = 0; i < cases.size(); i++) {
    for (int level : {1, 9}) EXPECT_EQ(decode(encode(cases[i], level)), cases[i]) << "case " << i;
  }
}

TEST(Bzip2RoundTrip, IncompressibleDataGrowsOnlySlightly) {
  auto data = randomBytes(1500000, 11);
  auto packed = encode(data, 9);
  EXPECT_LT(packed.size(), data.size() + data.size() / 100);
  EXPECT_EQ(decode(packed), data);
}

TEST(Bzip2RoundTrip, BlockCutsAroundTheLevelOneCapacity) {
  // Level 1 holds 100000 bytes after the run-length step; random data barely
  // changes size there, runs of four grow by a quarter, long runs shrink 51 times.
  const size_t cap = fmt::codecs::bz2::blockCapacity(1);
  auto noise = randomBytes(cap + 100, 5);
  std::vector<uint8_t> fours;
  for (size_t i = 0; fours.size() < cap + 100; i++) fours.insert(fours.end(), 4, static_cast<uint8_t>(i % 251));
  std::vector<uint8_t> longRuns;
  for (size_t i = 0; longRuns.size() < cap * 52; i++) longRuns.insert(longRuns.end(), 255 + i % 7, static_cast<uint8_t>(i));
  for (size_t delta : {30, 20, 19, 18, 1, 0}) {
    std::vector<uint8_t> a(noise.begin(), noise.begin() + static_cast<long>(cap - delta));
    EXPECT_EQ(decode(encode(a, 1)), a) << delta;
  }
  for (size_t len : {cap * 4 / 5 - 20, cap * 4 / 5 - 16, cap * 4 / 5, cap * 4 / 5 + 4, cap + 100}) {
    std::vector<uint8_t> a(fours.begin(), fours.begin() + static_cast<long>(len));
    EXPECT_EQ(decode(encode(a, 1)), a) << len;
  }
  EXPECT_EQ(decode(encode(longRuns, 1)), longRuns);
}

TEST(Bzip2Streaming, PiecewiseWritesGiveTheSameStream) {
  auto data = textBytes(700000, 21);
  auto whole = encode(data, 3);
  fmt::MemoryOutStream out;
  Bzip2Encoder enc(out, 3);
  size_t pos = 0, step = 1;
  while (pos < data.size()) {
    size_t n = std::min(step, data.size() - pos);
    enc.write(data.data() + pos, n);
    pos += n;
    step = step * 3 + 1;
  }
  enc.finish();
  EXPECT_EQ(out.data, whole);
  EXPECT_EQ(enc.bytesIn(), data.size());
  EXPECT_EQ(enc.bytesOut(), whole.size());
}

TEST(Bzip2Streaming, PullDecoderInSmallReads) {
  std::vector<uint8_t> data = textBytes(250000, 8);
  data.insert(data.end(), 70000, 'x');  // a long run crosses many read boundaries
  auto packed = encode(data, 1);
  fmt::MemoryInStream in(packed);
  Bzip2InStream bz(in);
  std::vector<uint8_t> back;
  uint8_t buf[777];
  size_t n;
  while ((n = bz.read(buf, sizeof buf)) > 0) {
    back.insert(back.end(), buf, buf + n);
    if (back.size() < data.size()) ASSERT_EQ(n, sizeof buf) << "short read before the end";
  }
  EXPECT_EQ(back, data);
  EXPECT_EQ(bz.read(buf, sizeof buf), 0u);
}

TEST(Bzip2Streaming, ConcatenatedStreamsAndWhatFollowsThem) {
  auto a = textBytes(120000, 1), b = randomBytes(5000, 2);
  auto pa = encode(a, 1), pb = encode(b, 9), pe = encode({}, 5);
  std::vector<uint8_t> both(pa);
  both.insert(both.end(), pe.begin(), pe.end());
  both.insert(both.end(), pb.begin(), pb.end());
  std::vector<uint8_t> ab(a);
  ab.insert(ab.end(), b.begin(), b.end());
  EXPECT_EQ(decode(both), ab);
  EXPECT_EQ(decode(both, false), a);

  // Bytes that do not start another stream (tar padding, say) are ignored.
  std::vector<uint8_t> padded(pa);
  padded.insert(padded.end(), 512, 0);
  EXPECT_EQ(decode(padded), a);
}

TEST(Bzip2Streaming, ProgressAndCancel) {
  auto data = textBytes(3000000, 4);
  auto packed = encode(data, 9);
  fmt::MemoryInStream in(packed);
  fmt::NullOutStream out;
  uint64_t lastDone = 0;
  int calls = 0;
  bzip2Decode(in, out, true, [&](uint64_t done, uint64_t) {
    EXPECT_GT(done, lastDone);
    lastDone = done;
    calls++;
    return true;
  });
  EXPECT_EQ(lastDone, data.size());
  EXPECT_GE(calls, 2);

  fmt::MemoryInStream in2(packed);
  try {
    bzip2Decode(in2, out, true, [](uint64_t, uint64_t) { return false; });
    FAIL() << "not cancelled";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Cancelled);
  }
}

TEST(Bzip2Encoder, RejectsLevelsOutsideOneToNine) {
  fmt::MemoryOutStream out;
  for (int level : {0, 10, -1}) {
    try {
      Bzip2Encoder enc(out, level);
      FAIL() << level;
    } catch (const fmt::Error& e) {
      EXPECT_EQ(e.kind(), fmt::ErrorKind::Usage);
    }
  }
}
