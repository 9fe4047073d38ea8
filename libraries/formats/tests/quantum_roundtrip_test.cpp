// Streams from the test-only Quantum encoder through our decoder and through
// cabextract: every window, windows smaller than a frame, long and far
// matches, literals of every model.
#include <gtest/gtest.h>

#include "codecs/quantum/quantum.h"
#include "base/error.h"
#include "cab_folder_checks.h"
#include "quantum_test_encoder.h"
#include "test_support.h"

namespace {

using fmt::codecs::kQuantumFrameSize;
using fmt::codecs::QuantumDecoder;

std::vector<lzxtest::Block> encode(const std::vector<uint8_t>& data, int bits) {
  qtmtest::Encoder enc(bits);
  std::vector<lzxtest::Block> blocks;
  for (size_t at = 0; at < data.size(); at += kQuantumFrameSize) {
    size_t n = std::min(kQuantumFrameSize, data.size() - at);
    blocks.push_back({enc.frame(data, at, n), static_cast<uint16_t>(n)});
  }
  return blocks;
}

std::vector<uint8_t> decode(const std::vector<lzxtest::Block>& blocks, int bits) {
  return cabtest::decodeBlocks<QuantumDecoder>(blocks, bits);
}

void expectCabextractAgrees(const std::vector<lzxtest::Block>& blocks, int bits, const std::vector<uint8_t>& data) {
  cabtest::expectCabextractGives(blocks, cabtest::quantumFolderType(bits), data);
}

TEST(QuantumRoundTrip, EveryWindowThroughBothDecoders) {
  for (int bits = 10; bits <= 21; ++bits) {
    std::vector<uint8_t> data = testsupport::textBytes(2 * kQuantumFrameSize + 999, static_cast<uint32_t>(bits));
    auto blocks = encode(data, bits);
    size_t packed = 0;
    for (const auto& b : blocks) packed += b.data.size();
    EXPECT_LT(packed, data.size() * 3 / 4) << "matches should have been coded, window " << bits;
    EXPECT_EQ(decode(blocks, bits), data) << bits;
    expectCabextractAgrees(blocks, bits, data);
  }
}

TEST(QuantumRoundTrip, FarMatchesLongMatchesAndAllLiterals) {
  // Random bytes (every literal model, reordered many times), repeated at the
  // edge of the window, then long runs.
  for (int bits : {10, 12, 16}) {
    size_t window = size_t(1) << bits;
    std::vector<uint8_t> data = testsupport::randomBytes(window, 3);
    std::vector<uint8_t> again(data.begin(), data.begin() + window / 2);
    data.insert(data.end(), again.begin(), again.end());  // distance = window
    data.insert(data.end(), 3000, 'z');
    std::vector<uint8_t> more = testsupport::randomBytes(kQuantumFrameSize, 4);
    data.insert(data.end(), more.begin(), more.end());
    auto blocks = encode(data, bits);
    EXPECT_EQ(decode(blocks, bits), data) << bits;
    expectCabextractAgrees(blocks, bits, data);
  }
}

TEST(QuantumRoundTrip, CutFramesFailCleanly) {
  std::vector<uint8_t> data = testsupport::textBytes(kQuantumFrameSize, 5);
  auto blocks = encode(data, 15);
  std::vector<uint8_t> out(kQuantumFrameSize);
  for (size_t keep : {size_t(0), size_t(1), blocks[0].data.size() / 2}) {
    QuantumDecoder dec(15);
    EXPECT_THROW(dec.decodeBlock(blocks[0].data.data(), keep, out.data(), out.size()), fmt::Error) << keep;
  }
}

}  // namespace
