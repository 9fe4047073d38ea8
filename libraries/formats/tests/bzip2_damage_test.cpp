// Damaged and hostile bzip2 input: every failure is a clear fmt::Error of the
// right kind, never a crash, a hang or output passed off as good.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "codecs/bzip2/bzip2.h"
#include "codecs/bzip2/bzip2_bit_writer.h"
#include "codecs/bzip2/bzip2_format.h"
#include "test_support.h"

using fmt::ErrorKind;
namespace bz2 = fmt::codecs::bz2;

namespace {

std::vector<uint8_t> encode(const std::vector<uint8_t>& data, int level) {
  fmt::MemoryInStream in(data);
  fmt::MemoryOutStream out;
  fmt::codecs::bzip2Encode(in, out, level);
  return out.data;
}

// The kind of error decoding throws, or nothing when it succeeds.
std::optional<ErrorKind> decodeError(const std::vector<uint8_t>& packed, std::vector<uint8_t>* out = nullptr) {
  fmt::MemoryInStream in(packed);
  fmt::MemoryOutStream sink;
  try {
    fmt::codecs::bzip2Decode(in, sink);
  } catch (const fmt::Error& e) {
    return e.kind();
  }
  if (out) *out = sink.data;
  return std::nullopt;
}

// A hand-made one-block stream at level 1 holding the single byte 'a', with hooks
// to spoil each field. Symbols: RUNA, RUNB, end of block (codes 0, 10, 11).
struct Block {
  uint32_t crc = ~bz2::crcUpdate(0xFFFFFFFFu, "a", 1);
  uint32_t origPtr = 0;
  uint32_t ranges = 0x8000u >> 6;  // 0x60..0x6F
  uint32_t used = 0x8000u >> 1;    // 0x61
  uint32_t groups = 2;
  uint32_t selectors = 1;
  std::vector<int> selectorValues = {0};
  std::vector<int> lengths = {1, 2, 2};
  std::vector<int> symbols = {bz2::kRunA, 2};
  uint64_t magic = bz2::kBlockMagic;

  std::vector<uint8_t> stream() const {
    bz2::BitWriter w;
    w.put(32, 0x425A6831u);  // "BZh1"
    w.put48(magic);
    w.put(32, crc);
    w.put(1, 0);
    w.put(24, origPtr);
    w.put(16, ranges);
    if (ranges) w.put(16, used);
    w.put(3, groups);
    w.put(15, selectors);
    for (int j : selectorValues) w.put(j + 1, ((1u << j) - 1) << 1);
    for (uint32_t t = 0; t < groups; t++) {
      int cur = lengths[0];
      w.put(5, static_cast<uint32_t>(cur));
      for (int len : lengths) {
        for (; cur < len; cur++) w.put(2, 2);
        for (; cur > len; cur--) w.put(2, 3);
        w.put(1, 0);
      }
    }
    const uint32_t code[3] = {0, 2, 3};
    const int size[3] = {1, 2, 2};
    for (int s : symbols) w.put(size[s], code[s]);
    w.put48(bz2::kStreamEndMagic);
    w.put(32, bz2::combineStreamCrc(0, crc));
    w.alignToByte();
    fmt::MemoryOutStream out;
    w.drainTo(out);
    return out.data;
  }
};

}  // namespace

TEST(Bzip2Damage, HandMadeBlockDecodesAsMeant) {
  std::vector<uint8_t> out;
  ASSERT_FALSE(decodeError(Block().stream(), &out).has_value());
  EXPECT_EQ(out, std::vector<uint8_t>{'a'});
}

TEST(Bzip2Damage, HostileBlockFieldsAreCorrupt) {
  std::vector<std::pair<const char*, std::function<void(Block&)>>> spoilers = {
      {"start row past the block", [](Block& b) { b.origPtr = 1; }},
      {"start row far out", [](Block& b) { b.origPtr = 0xFFFFFF; }},
      {"no byte values used", [](Block& b) { b.ranges = 0; }},
      {"one table", [](Block& b) { b.groups = 1; }},
      {"seven tables", [](Block& b) { b.groups = 7; }},
      {"no selectors", [](Block& b) {
         b.selectors = 0;
         b.selectorValues.clear();
       }},
      {"selector past the tables", [](Block& b) { b.selectorValues = {2}; }},
      {"code length 0", [](Block& b) { b.lengths = {0, 2, 2}; }},
      {"code length 21", [](Block& b) { b.lengths = {1, 21, 2}; }},
      {"over-subscribed code", [](Block& b) { b.lengths = {1, 1, 1}; }},
      {"more symbols than selectors", [](Block& b) { b.symbols = std::vector<int>(60, bz2::kRunA); }},
      {"run longer than the block size",
       [](Block& b) { b.symbols = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2}; }},  // 131070 > 100000
      {"run digits without end", [](Block& b) { b.symbols = std::vector<int>(40, bz2::kRunA); }},
      {"empty block", [](Block& b) { b.symbols = {2}; }},
      {"bad block magic", [](Block& b) { b.magic = 0x314159265358ull; }},
  };
  for (auto& [what, spoil] : spoilers) {
    Block b;
    spoil(b);
    auto err = decodeError(b.stream());
    ASSERT_TRUE(err.has_value()) << what;
    EXPECT_EQ(*err, ErrorKind::Corrupt) << what;
  }
}

TEST(Bzip2Damage, WrongCrcsAreChecksumErrors) {
  Block b;
  b.crc ^= 1;  // the stream CRC follows it, so only the block check can fail
  EXPECT_EQ(decodeError(b.stream()), ErrorKind::Checksum);

  // A real stream: flip the stored stream CRC (the last four bytes before padding).
  auto packed = encode(testsupport::textBytes(50000, 1), 1);
  auto bad = packed;
  bad[bad.size() - 2] ^= 0x10;
  EXPECT_EQ(decodeError(bad), ErrorKind::Checksum);
  // A flipped bit in the block CRC (bytes 10..13 of a first block).
  bad = packed;
  bad[12] ^= 0x04;
  EXPECT_EQ(decodeError(bad), ErrorKind::Checksum);
}

TEST(Bzip2Damage, EveryTruncationIsAnError) {
  auto data = testsupport::textBytes(15000, 2);
  auto a = encode(data, 1);
  auto packed = a;
  packed.insert(packed.end(), a.begin(), a.end());  // the cut also falls inside a second stream
  for (size_t len = 0; len < packed.size(); len++) {
    // A whole first stream is good on its own, and less than a header after it
    // is ignored like any other trailing bytes.
    if (len >= a.size() && len < a.size() + 4) continue;
    std::vector<uint8_t> cut(packed.begin(), packed.begin() + static_cast<long>(len));
    auto err = decodeError(cut);
    ASSERT_TRUE(err.has_value()) << "cut at " << len;
    EXPECT_EQ(*err, ErrorKind::Truncated) << "cut at " << len;
  }
}

TEST(Bzip2Damage, NotBzip2AtAll) {
  EXPECT_EQ(decodeError({}), ErrorKind::Truncated);
  std::vector<uint8_t> gz = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3};
  EXPECT_EQ(decodeError(gz), ErrorKind::Corrupt);
  std::vector<uint8_t> level0 = {'B', 'Z', 'h', '0', 0x31, 0x41, 0x59, 0x26, 0x53, 0x59};
  EXPECT_EQ(decodeError(level0), ErrorKind::Corrupt);
}

TEST(Bzip2Damage, FlippedBitsNeverPassUnnoticed) {
  auto data = testsupport::textBytes(40000, 3);
  auto packed = encode(data, 1);
  uint32_t state = 99;
  for (int trial = 0; trial < 400; trial++) {
    state = state * 1103515245u + 12345u;
    size_t pos = 4 + (state >> 8) % (packed.size() - 4);
    auto bad = packed;
    bad[pos] ^= static_cast<uint8_t>(1u << (state & 7));
    std::vector<uint8_t> out;
    if (!decodeError(bad, &out)) EXPECT_EQ(out, data) << "bit flip at byte " << pos << " gave wrong output";
  }
}
