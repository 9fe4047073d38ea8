// The raw inflater under gzip, MSZIP and ZIP: steps over buffers of any size,
// streams one after another, a preset window, and what damage looks like.
#include "codecs/deflate/raw_inflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "test_support.h"

namespace {

using fmt::codecs::RawInflater;
using Status = RawInflater::Status;

// Raw deflate of `data` by zlib, its window preset to `dict` when given.
std::vector<uint8_t> deflateRaw(const std::vector<uint8_t>& data, const std::vector<uint8_t>& dict = {}) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  if (!dict.empty()) deflateSetDictionary(&z, dict.data(), static_cast<uInt>(dict.size()));
  std::vector<uint8_t> out(deflateBound(&z, static_cast<uLong>(data.size())) + 16);
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Inflates `in` in input pieces of `inPiece` and output room of `outRoom`;
// stops at the end, on failure, or when a step does nothing.
struct Result {
  std::vector<uint8_t> out;
  size_t used = 0;
  Status last = Status::Progress;
};
Result inflateInSteps(RawInflater& inf, const std::vector<uint8_t>& in, size_t inPiece, size_t outRoom) {
  Result r;
  std::vector<uint8_t> room(outRoom);
  for (;;) {
    const size_t give = std::min(inPiece, in.size() - r.used);
    const RawInflater::Step s = inf.step(in.data() + r.used, give, room.data(), room.size());
    r.used += s.used;
    r.out.insert(r.out.end(), room.begin(), room.begin() + static_cast<long>(s.made));
    r.last = s.status;
    if (s.status != Status::Progress || (s.used == 0 && s.made == 0)) return r;
  }
}

TEST(RawInflater, StepsOfAnySizeAndStreamsOneAfterAnother) {
  const auto text = testsupport::textBytes(200000, 11);
  const auto noise = testsupport::randomBytes(70000, 12);
  auto packed = deflateRaw(text);
  const size_t streamSize = packed.size();
  packed.insert(packed.end(), {1, 2, 3});  // what follows the stream is left alone
  RawInflater inf("cannot start");
  for (auto [inPiece, outRoom] : {std::pair<size_t, size_t>{1, 1}, {7, 1000}, {1 << 16, 1 << 18}}) {
    ASSERT_TRUE(inf.reset());
    const Result r = inflateInSteps(inf, packed, inPiece, outRoom);
    EXPECT_EQ(r.last, Status::End) << inPiece;
    EXPECT_EQ(r.out, text) << inPiece;
    EXPECT_EQ(r.used, streamSize) << inPiece;
  }
  // After an end, a reset starts the next stream afresh.
  ASSERT_TRUE(inf.reset());
  const Result r = inflateInSteps(inf, deflateRaw(noise), 4096, 4096);
  EXPECT_EQ(r.last, Status::End);
  EXPECT_EQ(r.out, noise);
}

TEST(RawInflater, PresetWindowIsTheLast32KOfTheHistory) {
  const auto history = testsupport::textBytes(50000, 21);
  const std::vector<uint8_t> window(history.end() - 32768, history.end());
  // Text that repeats the history's end: coded as matches reaching back into it.
  std::vector<uint8_t> data(history.end() - 20000, history.end());
  data.insert(data.end(), history.end() - 30000, history.end() - 10000);
  const auto packed = deflateRaw(data, window);
  RawInflater inf("cannot start");
  ASSERT_TRUE(inf.reset(history.data(), history.size()));
  Result r = inflateInSteps(inf, packed, 1000, 5000);
  EXPECT_EQ(r.last, Status::End);
  EXPECT_EQ(r.out, data);
  // Without it the first match reaches before the start of the stream.
  ASSERT_TRUE(inf.reset());
  r = inflateInSteps(inf, packed, 1000, 5000);
  EXPECT_EQ(r.last, Status::Damaged);
  ASSERT_NE(inf.message(), nullptr);
  EXPECT_STRNE(inf.message(), "");
}

TEST(RawInflater, DamageAndStalls) {
  RawInflater inf("cannot start");
  // Block type 3 does not exist.
  const std::vector<uint8_t> badType = {0x07, 0x00};
  uint8_t room[64];
  RawInflater::Step s = inf.step(badType.data(), badType.size(), room, sizeof room);
  EXPECT_EQ(s.status, Status::Damaged);
  EXPECT_NE(inf.message(), nullptr);
  // A reset clears the damage; with no input nothing can be done.
  ASSERT_TRUE(inf.reset());
  s = inf.step(nullptr, 0, room, sizeof room);
  EXPECT_EQ(s.status, Status::Stalled);
  EXPECT_EQ(s.made, 0u);
  // A stream cut short stops with no end, its bytes all taken.
  const auto packed = deflateRaw(testsupport::textBytes(10000, 3));
  const std::vector<uint8_t> cut(packed.begin(), packed.begin() + static_cast<long>(packed.size() / 2));
  const Result r = inflateInSteps(inf, cut, 100, 100000);
  EXPECT_NE(r.last, Status::End);
  EXPECT_EQ(r.used, cut.size());
}

}  // namespace
