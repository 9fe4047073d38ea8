// The LZX match finder's two levels together (the trees alone are checked in
// bt_match_finder_test.cpp): far copies are found whole, and nothing reported
// is false or out of reach, across the buffer's slides. And the encoder that
// searches on two threads writes what it writes on one.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "codecs/lzx/lzx.h"
#include "codecs/lzx/lzx_match_finder.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using fmt::codecs::kLzxFrameSize;
using fmt::codecs::lzx::Match;
using fmt::codecs::lzx::MatchFinder;

constexpr int kBits = 19;  // a window past the trees' reach, small enough to slide soon
constexpr uint32_t kReach = (1u << kBits) - 3;

struct Copy {
  size_t at, length;
  uint32_t distance;
};

// Noise with copies of earlier stretches from between 300 KB and the window's
// end (the last copies from exactly the farthest distance, and one byte
// beyond it), each followed by a byte that ends the match.
Bytes farCopies(size_t n, std::vector<Copy>& copies) {
  std::mt19937 g(19);
  Bytes v = testsupport::randomBytes(n, 23);
  for (size_t at = 700000; at + 400 < n; at += 20000 + g() % 20000) {
    const bool edge = at + 60000 > n;
    const uint32_t distance = edge ? kReach + (at % 2) : 300000 + g() % (kReach - 300000);
    const size_t length = 8 + g() % 250;
    for (size_t k = 0; k < length; ++k) v[at + k] = v[at + k - distance];
    v[at + length] = static_cast<uint8_t>(v[at + length - distance] ^ 0x55);
    copies.push_back({at, length, distance});
  }
  return v;
}

TEST(LzxMatchFinder, FarCopiesAreFoundWholeAndNothingFalseOrOutOfReach) {
  std::vector<Copy> copies;
  const Bytes data = farCopies(2600000, copies);  // the buffer slides twice
  MatchFinder f(kBits, 16, 64);
  std::vector<Match> matches;
  std::vector<uint32_t> first;
  std::vector<std::vector<Match>> found(data.size());
  for (size_t at = 0; at < data.size(); at += kLzxFrameSize) {
    const size_t n = std::min(kLzxFrameSize, data.size() - at);
    const size_t start = f.append(data.data() + at, n);
    f.findAll(start, start + n, matches, first);
    ASSERT_EQ(first.size(), n + 1);
    for (size_t i = 0; i < n; ++i) found[at + i].assign(matches.begin() + first[i], matches.begin() + first[i + 1]);
  }
  size_t checked = 0;
  for (size_t p = 0; p < data.size(); ++p) {
    const size_t frameEnd = std::min(data.size(), (p / kLzxFrameSize + 1) * kLzxFrameSize);
    uint32_t shorter = 2;
    for (const Match& m : found[p]) {
      ASSERT_GT(m.length, shorter) << "lengths not increasing at " << p;
      ASSERT_LE(p + m.length, frameEnd) << "runs past the frame at " << p;
      ASSERT_TRUE(m.distance >= 1 && m.distance <= std::min<size_t>(p, kReach)) << "out of reach at " << p;
      ASSERT_TRUE(std::equal(data.begin() + p, data.begin() + p + m.length, data.begin() + p - m.distance))
          << "bytes differ at " << p;
      shorter = m.length;
      ++checked;
    }
  }
  EXPECT_GT(checked, 1000u);
  size_t whole = 0, beyond = 0;
  for (const Copy& c : copies) {
    // A copy that a frame's end cuts is found as far as the frame goes.
    const size_t frameEnd = (c.at / kLzxFrameSize + 1) * kLzxFrameSize;
    const size_t length = std::min(c.length, frameEnd - c.at);
    if (length < 8) continue;
    // The noise just before may agree by chance: the match then starts there,
    // and the positions it covers (nice length) get none of their own.
    bool hit = false;
    for (size_t q = c.at - 3; q <= c.at && !hit; ++q) {
      const std::vector<Match>& list = found[q];
      hit = !list.empty() && q + list.back().length == c.at + length && list.back().distance == c.distance;
    }
    if (c.distance > kReach) {
      ++beyond;
      EXPECT_FALSE(hit) << "a copy beyond the window found at " << c.at;
    } else {
      ++whole;
      EXPECT_TRUE(hit) << "copy of " << length << " from " << c.distance << " at " << c.at << " not found whole";
    }
  }
  EXPECT_GT(whole, 50u);
  EXPECT_GT(beyond, 0u);
}

// Text, programs-like records and noise, with and without the call
// translation, in batches as the Cabinet writer hands them over and in batches
// longer than the buffer holds at once.
TEST(LzxMatchFinder, TwoThreadsWriteWhatOneWrites) {
  Bytes data = testsupport::textBytes(1500000, 3);
  const Bytes noise = testsupport::randomBytes(300000, 4);
  data.insert(data.end(), noise.begin(), noise.end());
  for (int k = 0; k < 20000; ++k) {
    const uint8_t call[] = {0xE8, static_cast<uint8_t>(k), static_cast<uint8_t>(k >> 8), 0, 0, 0x90, 0x90, 0xC3};
    data.insert(data.end(), call, call + sizeof call);
  }
  for (int32_t translation : {0, fmt::codecs::LzxEncoder::kCallTranslationSize}) {
    for (auto [bits, batch] : {std::pair{16, 5}, std::pair{21, 32}, std::pair{15, 70}}) {
      SCOPED_TRACE(testing::Message() << "window " << bits << ", batch " << batch << ", E8 " << translation);
      std::vector<std::vector<uint8_t>> one, two;
      fmt::codecs::LzxEncoder single(bits, translation), paired(bits, translation);
      single.setThreads(1);
      for (size_t at = 0; at < data.size(); at += batch * kLzxFrameSize) {
        const size_t n = std::min(batch * kLzxFrameSize, data.size() - at);
        single.encodeFrames(data.data() + at, n, one);
        paired.encodeFrames(data.data() + at, n, two);
      }
      ASSERT_EQ(one.size(), (data.size() + kLzxFrameSize - 1) / kLzxFrameSize);
      EXPECT_TRUE(one == two);
    }
  }
}

}  // namespace
