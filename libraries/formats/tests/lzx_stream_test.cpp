// The LZX decoder on streams built piece by piece: block types mixed inside a
// frame, an uncompressed block across frames, E8 call translation, repeated
// offsets, and damaged streams. cabextract decodes the same streams as oracle.
#include <gtest/gtest.h>

#include <algorithm>

#include "codecs/lzx/lzx.h"
#include "codecs/lzx/lzx_encoder_parts.h"
#include "base/error.h"
#include "cab_folder_checks.h"
#include "test_support.h"

namespace {

using namespace fmt::codecs::lzx;
using fmt::codecs::kLzxFrameSize;
using fmt::codecs::LzxDecoder;

Token literal(uint8_t b) { return Token{b, -1, 0, 0}; }

// slot 0..2: a repeated offset; slot -1: a new distance `dist`.
Token match(uint32_t len, int repeat, uint32_t dist = 0) {
  const SlotTables& t = slotTables();
  int slot = repeat >= 0 ? repeat : slotOf(dist + 2);
  uint32_t header = std::min<uint32_t>(len - kMinMatch, kPrimaryLengths);
  Token tok{static_cast<uint16_t>(kNumChars + slot * 8 + header), -1, 0, 0};
  if (header == kPrimaryLengths) tok.lengthSymbol = static_cast<int16_t>(len - kMinMatch - kPrimaryLengths);
  if (repeat < 0) {
    tok.footerBits = t.extra[slot];
    tok.footer = dist + 2 - t.base[slot];
  }
  return tok;
}

void writeVerbatim(BitWriter& w, size_t n, const std::vector<Token>& tokens, int windowBits) {
  int mainSymbols = kNumChars + 8 * positionSlots(windowBits);
  CodeLengths lengths, none;
  chooseLengths(tokens, mainSymbols, lengths);
  writeCompressedBlock(w, n, tokens, lengths, none, mainSymbols);
}

std::vector<uint8_t> decode(const std::vector<lzxtest::Block>& blocks, int windowBits) {
  return cabtest::decodeBlocks<LzxDecoder>(blocks, windowBits);
}

void expectCabextractGives(const std::vector<lzxtest::Block>& blocks, int windowBits,
                           const std::vector<uint8_t>& want) {
  cabtest::expectCabextractGives(blocks, cabtest::lzxFolderType(windowBits), want);
}

// Splits one stream that holds a single uncompressed block into frames: the
// first carries the headers (`head` bytes), the rest only raw bytes.
std::vector<lzxtest::Block> splitRawStream(const std::vector<uint8_t>& stream, size_t head, size_t total) {
  std::vector<lzxtest::Block> blocks;
  size_t at = 0, done = 0;
  while (done < total) {
    size_t n = std::min(kLzxFrameSize, total - done);
    size_t take = n + (done == 0 ? head : 0);
    if (done + n == total) take = stream.size() - at;  // the last frame keeps the pad byte
    lzxtest::Block b;
    b.data.assign(stream.begin() + at, stream.begin() + at + take);
    b.outSize = static_cast<uint16_t>(n);
    blocks.push_back(std::move(b));
    at += take;
    done += n;
  }
  return blocks;
}

// The published x86 call translation, as an encoder applies it before compressing.
void translateE8(std::vector<uint8_t>& d, int32_t fileSize) {
  for (size_t off = 0; off < d.size(); off += kLzxFrameSize) {
    size_t n = std::min(kLzxFrameSize, d.size() - off);
    if (n <= 10) continue;
    for (size_t i = 0; i < n - 10; ++i) {
      uint8_t* p = &d[off + i];
      if (*p != 0xE8) continue;
      int32_t cur = static_cast<int32_t>(off + i);
      int32_t disp = static_cast<int32_t>(p[1] | p[2] << 8 | p[3] << 16 | static_cast<uint32_t>(p[4]) << 24);
      int64_t target = int64_t(cur) + disp;
      if (target >= 0 && target < int64_t(fileSize) + cur) {
        if (target >= fileSize) target = disp - fileSize;
        for (int k = 0; k < 4; ++k) p[1 + k] = static_cast<uint8_t>(uint32_t(target) >> (8 * k));
      }
      i += 4;
    }
  }
}

TEST(LzxStream, UncompressedBlockAcrossFramesWithCallTranslation) {
  const int32_t fileSize = 100000;
  const size_t total = 2 * kLzxFrameSize + 101;  // odd: a pad byte ends the block
  std::vector<uint8_t> original = testsupport::randomBytes(total, 21);
  std::vector<uint8_t> disp = testsupport::randomBytes(4 * 400, 22);
  for (size_t k = 0; k < 400; ++k) {
    size_t at = (k * 7919) % (total - 5);
    original[at] = 0xE8;
    // Small displacements both ways, some far enough to take the other branch.
    int32_t d = static_cast<int32_t>(disp[4 * k] | disp[4 * k + 1] << 8) - 32768;
    if (k % 5 == 0) d = fileSize - static_cast<int32_t>(at) + (k % 3);
    for (int b = 0; b < 4; ++b) original[at + 1 + b] = static_cast<uint8_t>(uint32_t(d) >> (8 * b));
  }
  std::vector<uint8_t> translated = original;
  translateE8(translated, fileSize);
  ASSERT_NE(translated, original);

  std::vector<uint8_t> stream;
  BitWriter w(stream);
  w.put(1, 1);
  w.put(static_cast<uint32_t>(fileSize) >> 16, 16);
  w.put(static_cast<uint32_t>(fileSize) & 0xFFFF, 16);
  uint32_t r[3] = {1, 1, 1};
  writeUncompressedBlock(w, translated.data(), total, r);
  const size_t head = 8 + 12;  // 60 header bits padded to 64, then the offsets
  auto blocks = splitRawStream(stream, head, total);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(decode(blocks, 16), original);
  expectCabextractGives(blocks, 16, original);
}

TEST(LzxStream, BlockTypesMixedInsideOneFrameAndRepeatedOffsets) {
  // An odd uncompressed block, its pad byte, then a verbatim block whose
  // matches use the repeated offsets the uncompressed block set.
  const int bits = 17;
  std::vector<uint8_t> part1 = testsupport::randomBytes(1001, 5);
  std::vector<uint8_t> want = part1;
  std::vector<Token> tokens;
  auto lit = [&](uint8_t b) {
    tokens.push_back(literal(b));
    want.push_back(b);
  };
  auto copy = [&](uint32_t len, int repeat, uint32_t dist) {
    tokens.push_back(match(len, repeat, dist));
    for (uint32_t k = 0; k < len; ++k) want.push_back(want[want.size() - dist]);
  };
  const uint32_t r[3] = {7, 100, 1000};
  lit('x');
  copy(20, 0, 7);              // R0 = 7 from the uncompressed block's header
  copy(9, 2, 1000);            // R2: now R0 = 1000, R2 = 7
  copy(50, -1, 1001 + 30);     // a new distance pushes: R = 1031, 1000, 100
  copy(257, 1, 1000);          // longest match, via R1
  copy(3, 0, 1000);
  for (int k = 0; k < 40; ++k) lit(static_cast<uint8_t>('a' + k % 26));
  const size_t n2 = want.size() - part1.size();

  std::vector<uint8_t> stream;
  BitWriter w(stream);
  w.put(0, 1);
  writeUncompressedBlock(w, part1.data(), part1.size(), r);
  writeVerbatim(w, n2, tokens, bits);
  w.flush();
  std::vector<lzxtest::Block> blocks{{stream, static_cast<uint16_t>(want.size())}};
  EXPECT_EQ(decode(blocks, bits), want);
  expectCabextractGives(blocks, bits, want);
}

TEST(LzxStream, DamagedStreamsThrowFormatErrors) {
  auto frameWith = [](auto&& build) {
    std::vector<uint8_t> s;
    BitWriter w(s);
    w.put(0, 1);
    build(w);
    w.flush();
    for (int k = 0; k < 8; ++k) s.push_back(0);
    return s;
  };
  auto expectError = [](const std::vector<uint8_t>& s, size_t outSize, fmt::ErrorKind kind, const char* what) {
    LzxDecoder dec(16);
    std::vector<uint8_t> out(outSize);
    try {
      dec.decodeBlock(s.data(), s.size(), out.data(), out.size());
      ADD_FAILURE() << what << ": no error";
    } catch (const fmt::Error& e) {
      EXPECT_EQ(e.kind(), kind) << what << ": " << e.what();
    }
  };
  for (uint32_t type : {0u, 4u, 7u})
    expectError(frameWith([&](BitWriter& w) {
                  w.put(type, 3);
                  w.put(100, 24);
                }),
                100, fmt::ErrorKind::Corrupt, "block type");
  expectError(frameWith([](BitWriter& w) {
                w.put(1, 3);
                w.put(0, 24);
              }),
              100, fmt::ErrorKind::Corrupt, "empty block");
  // A match before any data, and one reaching past the data decoded so far.
  expectError(frameWith([](BitWriter& w) { writeVerbatim(w, 10, {match(10, 0)}, 16); }), 10,
              fmt::ErrorKind::Corrupt, "match at the start");
  expectError(frameWith([](BitWriter& w) { writeVerbatim(w, 12, {literal('a'), literal('b'), match(10, -1, 3)}, 16); }),
              12, fmt::ErrorKind::Corrupt, "match too far");
  // A match running past the end of its block.
  expectError(frameWith([](BitWriter& w) { writeVerbatim(w, 5, {literal('a'), match(10, -1, 1)}, 16); }), 5,
              fmt::ErrorKind::Corrupt, "match past the block");
  // An uncompressed block longer than its frame's data.
  std::vector<uint8_t> raw = testsupport::randomBytes(500, 1);
  std::vector<uint8_t> s;
  BitWriter w(s);
  w.put(0, 1);
  uint32_t r[3] = {1, 1, 1};
  writeUncompressedBlock(w, raw.data(), raw.size(), r);
  s.resize(s.size() - 100);
  expectError(s, 500, fmt::ErrorKind::Truncated, "short uncompressed block");
}

TEST(LzxStream, CutAndCorruptedFramesFailCleanlyAndResetRecovers) {
  std::vector<uint8_t> data = testsupport::textBytes(3 * kLzxFrameSize, 8);
  fmt::codecs::LzxEncoder enc(16);
  std::vector<std::vector<uint8_t>> frames(3);
  for (int k = 0; k < 3; ++k) enc.encodeFrame(data.data() + k * kLzxFrameSize, kLzxFrameSize, frames[k]);

  LzxDecoder dec(16);
  std::vector<uint8_t> out(kLzxFrameSize);
  // Cut frames: decoding them must stop with an error, never run on.
  for (size_t keep : {size_t(0), size_t(3), frames[0].size() / 2, frames[0].size() - 4}) {
    dec.reset();
    EXPECT_THROW(dec.decodeBlock(frames[0].data(), keep, out.data(), out.size()), fmt::Error) << keep;
  }
  // Flipped bits either decode to something or fail with a format error.
  int failures = 0;
  for (size_t bit = 0; bit < frames[1].size() * 8; bit += 97) {
    std::vector<uint8_t> bad = frames[1];
    bad[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
    dec.reset();
    try {
      dec.decodeBlock(frames[0].data(), frames[0].size(), out.data(), out.size());
      dec.decodeBlock(bad.data(), bad.size(), out.data(), out.size());
    } catch (const fmt::Error&) {
      failures++;
    }
  }
  EXPECT_GT(failures, 0);
  // After reset, the same decoder decodes the intact folder.
  dec.reset();
  for (int k = 0; k < 3; ++k) {
    dec.decodeBlock(frames[k].data(), frames[k].size(), out.data(), out.size());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), data.begin() + k * kLzxFrameSize)) << k;
  }
}

}  // namespace
