// Our LZX encoder through our decoder and through cabextract, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "codecs/lzx/lzx.h"
#include "base/error.h"
#include "cab_folder_checks.h"
#include "test_support.h"

namespace {

using fmt::codecs::kLzxFrameSize;
using fmt::codecs::LzxDecoder;
using fmt::codecs::LzxEncoder;

std::vector<lzxtest::Block> encode(const std::vector<uint8_t>& data, int windowBits) {
  LzxEncoder enc(windowBits);
  std::vector<lzxtest::Block> blocks;
  for (size_t at = 0; at < data.size(); at += kLzxFrameSize) {
    size_t n = std::min(kLzxFrameSize, data.size() - at);
    lzxtest::Block b;
    enc.encodeFrame(data.data() + at, n, b.data);
    b.outSize = static_cast<uint16_t>(n);
    blocks.push_back(std::move(b));
  }
  return blocks;
}

// Hands the encoder `batch` frames per call, so that blocks can span them.
std::vector<lzxtest::Block> encodeBatched(const std::vector<uint8_t>& data, int windowBits, size_t batch,
                                          int32_t callTranslation = 0) {
  LzxEncoder enc(windowBits, callTranslation);
  std::vector<lzxtest::Block> blocks;
  for (size_t at = 0; at < data.size(); at += batch * kLzxFrameSize) {
    size_t n = std::min(batch * kLzxFrameSize, data.size() - at);
    std::vector<std::vector<uint8_t>> frames;
    enc.encodeFrames(data.data() + at, n, frames);
    EXPECT_EQ(frames.size(), (n + kLzxFrameSize - 1) / kLzxFrameSize);
    for (size_t k = 0; k < frames.size(); ++k) {
      EXPECT_LE(frames[k].size(), LzxEncoder::maxFrameBytes(kLzxFrameSize));
      lzxtest::Block b;
      b.data = std::move(frames[k]);
      b.outSize = static_cast<uint16_t>(std::min(kLzxFrameSize, n - k * kLzxFrameSize));
      blocks.push_back(std::move(b));
    }
  }
  return blocks;
}

std::vector<uint8_t> decode(const std::vector<lzxtest::Block>& blocks, int windowBits) {
  return cabtest::decodeBlocks<LzxDecoder>(blocks, windowBits);
}

size_t packedSize(const std::vector<lzxtest::Block>& blocks) {
  size_t n = 0;
  for (const auto& b : blocks) n += b.data.size();
  return n;
}

void expectCabextractAgrees(const std::vector<lzxtest::Block>& blocks, int windowBits,
                            const std::vector<uint8_t>& data) {
  cabtest::expectCabextractGives(blocks, cabtest::lzxFolderType(windowBits), data);
}

// Text with a passage repeated at the far end of the window, so that matches
// reach back as far as the format allows.
std::vector<uint8_t> farRepeats(int windowBits) {
  const size_t window = size_t(1) << windowBits;
  std::vector<uint8_t> data = testsupport::randomBytes(window + 3 * kLzxFrameSize, 7);
  std::vector<uint8_t> passage = testsupport::textBytes(4000, 9);
  std::copy(passage.begin(), passage.end(), data.begin());
  // Distance window - 3, the largest an LZX match may have.
  std::copy(passage.begin(), passage.end(), data.begin() + (window - 3));
  return data;
}

TEST(LzxRoundTrip, EveryWindowThroughBothDecoders) {
  for (int bits = 15; bits <= 21; ++bits) {
    std::vector<uint8_t> data = testsupport::textBytes(5 * kLzxFrameSize + 1234, bits);
    auto blocks = encode(data, bits);
    EXPECT_EQ(decode(blocks, bits), data) << "window " << bits;
    EXPECT_LT(packedSize(blocks), data.size() / 2) << "text should compress, window " << bits;
    expectCabextractAgrees(blocks, bits, data);
  }
}

TEST(LzxRoundTrip, EmptyTinyAndOddFrames) {
  for (size_t n : {size_t(1), size_t(2), size_t(3), size_t(17), size_t(kLzxFrameSize - 1), size_t(kLzxFrameSize),
                   size_t(kLzxFrameSize + 1), size_t(2 * kLzxFrameSize + 7)}) {
    std::vector<uint8_t> data = testsupport::textBytes(n, static_cast<uint32_t>(n));
    auto blocks = encode(data, 16);
    EXPECT_EQ(decode(blocks, 16), data) << n;
    expectCabextractAgrees(blocks, 16, data);
  }
  LzxEncoder enc(15);
  std::vector<uint8_t> out;
  enc.encodeFrame(nullptr, 0, out);
  EXPECT_TRUE(out.empty());
}

TEST(LzxRoundTrip, MatchesAtTheLargestDistance) {
  for (int bits : {15, 17, 21}) {
    std::vector<uint8_t> data = farRepeats(bits);
    auto blocks = encode(data, bits);
    EXPECT_EQ(decode(blocks, bits), data) << bits;
    // The passage's second copy is only cheap if it was found as a match.
    EXPECT_LT(packedSize(blocks), data.size() - 3000) << bits;
    expectCabextractAgrees(blocks, bits, data);
  }
}

TEST(LzxRoundTrip, RandomDataFallsBackToUncompressedBlocks) {
  std::vector<uint8_t> data = testsupport::randomBytes(3 * kLzxFrameSize + 999, 3);
  // Compressible frames between random ones: blocks switch type back and forth.
  std::vector<uint8_t> text = testsupport::textBytes(kLzxFrameSize, 4);
  std::copy(text.begin(), text.end(), data.begin() + kLzxFrameSize);
  auto blocks = encode(data, 17);
  EXPECT_EQ(decode(blocks, 17), data);
  EXPECT_LE(blocks[0].data.size(), kLzxFrameSize + 16);
  EXPECT_LT(blocks[1].data.size(), kLzxFrameSize / 2);
  expectCabextractAgrees(blocks, 17, data);
}

TEST(LzxRoundTrip, LongRunsAndRepeatedOffsets) {
  // Runs, a period-3 pattern and records with fixed strides exercise long
  // matches, repeated offsets and aligned-offset blocks.
  std::vector<uint8_t> data(4 * kLzxFrameSize + 5, 'a');
  for (size_t i = kLzxFrameSize; i < 2 * kLzxFrameSize; ++i) data[i] = "xyz"[i % 3];
  std::vector<uint8_t> noise = testsupport::randomBytes(2 * kLzxFrameSize, 11);
  for (size_t i = 2 * kLzxFrameSize; i < data.size(); ++i) {
    size_t k = i - 2 * kLzxFrameSize;
    data[i] = (k % 16 < 4) ? static_cast<uint8_t>(k / 16) : noise[k % noise.size() / 8 * 8];
  }
  auto blocks = encode(data, 16);
  EXPECT_EQ(decode(blocks, 16), data);
  expectCabextractAgrees(blocks, 16, data);
}

// The type of the block a frame starts with (the first frame leads with the
// call-translation bit).
int firstBlockType(const lzxtest::Block& b, bool firstFrame) {
  unsigned w = b.data.at(0) | b.data.at(1) << 8;
  return static_cast<int>(firstFrame ? (w >> 12) & 7 : (w >> 13) & 7);
}

TEST(LzxRoundTrip, RecordsOnEightByteStridesUseAlignedOffsetBlocks) {
  // Eight-byte records drawn from a pool far back: match distances are
  // multiples of 8, so the low footer bits are always the same.
  std::vector<uint8_t> pool = testsupport::randomBytes(8 * 8192, 31);
  std::vector<uint8_t> pick = testsupport::randomBytes(3 * kLzxFrameSize / 8 * 2, 32);
  std::vector<uint8_t> data = pool;
  for (size_t k = 0; data.size() < pool.size() + 3 * kLzxFrameSize; ++k) {
    size_t rec = (pick[2 * k] | pick[2 * k + 1] << 8) % 8192;
    data.insert(data.end(), pool.begin() + 8 * rec, pool.begin() + 8 * rec + 8);
  }
  auto blocks = encode(data, 18);
  EXPECT_EQ(decode(blocks, 18), data);
  int aligned = 0;
  for (size_t k = 0; k < blocks.size(); ++k) aligned += firstBlockType(blocks[k], k == 0) == 2;
  EXPECT_GE(aligned, 2);
  expectCabextractAgrees(blocks, 18, data);
}

TEST(LzxRoundTrip, BlocksSpanTheFramesOfABatch) {
  // Text with random frames between: shared blocks, cut by uncompressed ones.
  std::vector<uint8_t> data = testsupport::textBytes(13 * kLzxFrameSize + 77, 12);
  std::vector<uint8_t> noise = testsupport::randomBytes(kLzxFrameSize, 13);
  std::copy(noise.begin(), noise.end(), data.begin() + 5 * kLzxFrameSize);
  for (int bits : {15, 21}) {
    auto single = encode(data, bits);
    auto batched = encodeBatched(data, bits, 8);
    EXPECT_EQ(decode(batched, bits), data) << bits;
    // Fewer trees: smaller than one block per frame.
    EXPECT_LT(packedSize(batched), packedSize(single)) << bits;
    EXPECT_EQ(firstBlockType(batched[5], false), 3) << bits;
    expectCabextractAgrees(batched, bits, data);
  }
}

TEST(LzxRoundTrip, CallTranslationMakesRepeatedCallsCheaper) {
  // Code-like data: calls to a few targets from everywhere, with relative
  // displacements that differ at every call site until translated.
  std::vector<uint8_t> data;
  std::vector<uint8_t> r = testsupport::randomBytes(3 * kLzxFrameSize, 41);
  for (size_t k = 0; data.size() < 3 * kLzxFrameSize + 500; ++k) {
    data.insert(data.end(), {0x48, 0x89, 0xC7, r[k % r.size()], 0x31, 0xC0});
    int32_t target = 4096 * static_cast<int32_t>(r[(7 * k) % r.size()] % 8);
    int32_t rel = target - static_cast<int32_t>(data.size());
    data.push_back(0xE8);
    for (int b = 0; b < 4; ++b) data.push_back(static_cast<uint8_t>(uint32_t(rel) >> (8 * b)));
  }
  auto plain = encodeBatched(data, 16, 4);
  auto translated = encodeBatched(data, 16, 4, LzxEncoder::kCallTranslationSize);
  EXPECT_EQ(decode(translated, 16), data);
  EXPECT_LT(packedSize(translated), packedSize(plain) * 9 / 10);
  expectCabextractAgrees(translated, 16, data);
}

TEST(LzxRoundTrip, ResetStartsAFreshFolder) {
  std::vector<uint8_t> a = testsupport::textBytes(kLzxFrameSize, 1);
  LzxEncoder enc(16);  // a 2^15 window cannot reach a whole frame back
  std::vector<uint8_t> first, second;
  enc.encodeFrame(a.data(), a.size(), first);
  enc.reset();
  enc.encodeFrame(a.data(), a.size(), second);
  EXPECT_EQ(first, second);
  // Without reset the same frame costs less: it matches the first copy.
  std::vector<uint8_t> third;
  enc.encodeFrame(a.data(), a.size(), third);
  EXPECT_LT(third.size(), first.size() / 4);
}

}  // namespace
