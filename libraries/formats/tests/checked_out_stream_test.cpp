// The stream every reader decodes into: check values over pieces, the stated
// size as a bound, progress after each write and cancel from it.
#include "core/checked_out_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

using fmt::CheckedOutStream;
using fmt::ErrorKind;

// Writes `data` in pieces of `piece` bytes.
template <typename Stream>
void writeInPieces(Stream& s, const std::vector<uint8_t>& data, size_t piece) {
  for (size_t at = 0; at < data.size(); at += piece) s.write(data.data() + at, std::min(piece, data.size() - at));
}

TEST(CheckedOutStream, PassesBytesOnAndKeepsTheirCheckValue) {
  const auto data = testsupport::randomBytes(5000, 7);
  fmt::MemoryOutStream out16, out32;
  std::vector<std::pair<uint64_t, uint64_t>> calls;
  const fmt::ProgressFn progress = [&](uint64_t done, uint64_t total) {
    calls.emplace_back(done, total);
    return true;
  };
  CheckedOutStream<fmt::Crc16Check> c16(out16, 9999, progress);
  const fmt::ProgressFn none;
  CheckedOutStream<fmt::Crc32Check> c32(out32, 9999, none);
  writeInPieces(c16, data, 777);
  writeInPieces(c32, data, 1);
  EXPECT_EQ(out16.data, data);
  EXPECT_EQ(out32.data, data);
  EXPECT_EQ(c16.check(), fmt::crc16Update(0, data.data(), data.size()));
  EXPECT_EQ(c32.check(), fmt::crc32Update(0, data.data(), data.size()));
  EXPECT_EQ(c16.done(), 5000u);
  EXPECT_EQ(c32.done(), 5000u);
  // After every write, with the stated total however far it is.
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[0], std::make_pair(uint64_t{777}, uint64_t{9999}));
  EXPECT_EQ(calls[6], std::make_pair(uint64_t{5000}, uint64_t{9999}));
}

TEST(CheckedOutStream, StatedSizeBoundsWhatPassesWhenAsked) {
  const auto data = testsupport::randomBytes(100, 3);
  fmt::MemoryOutStream out;
  const fmt::ProgressFn none;
  CheckedOutStream<fmt::NoCheck> bounded(out, 100, none, "too much");
  bounded.write(data.data(), 60);
  bounded.write(data.data() + 60, 40);  // exactly the stated size
  try {
    bounded.write(data.data(), 1);
    FAIL() << "no error";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Corrupt);
    EXPECT_STREQ(e.what(), "too much");
  }
  EXPECT_EQ(out.data, data);  // nothing of the refused write
  EXPECT_EQ(bounded.done(), 100u);

  // Without the message, more than the total passes (the reader compares after).
  fmt::MemoryOutStream free;
  CheckedOutStream<fmt::NoCheck> unbounded(free, 10, none);
  unbounded.write(data.data(), 100);
  EXPECT_EQ(unbounded.done(), 100u);
  EXPECT_EQ(free.data, data);
}

TEST(CheckedOutStream, FalseFromProgressCancelsAfterTheWrite) {
  const auto data = testsupport::randomBytes(300, 5);
  fmt::MemoryOutStream out;
  const fmt::ProgressFn stopAt200 = [](uint64_t done, uint64_t) { return done < 200; };
  CheckedOutStream<fmt::Crc32Check> s(out, 300, stopAt200);
  s.write(data.data(), 100);
  try {
    s.write(data.data() + 100, 100);
    FAIL() << "no error";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Cancelled);
  }
  EXPECT_EQ(out.data.size(), 200u);
}

}  // namespace
