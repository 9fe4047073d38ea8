// Our deflate encoder, checked by zlib's inflate (raw, with the preset
// history as its dictionary) and by the MSZIP decoder over chained frames.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>

#include "cab/cab_codecs.h"
#include "cab/cab_format.h"
#include "cab/cab_writer.h"
#include "codecs/deflate/deflate_encoder.h"
#include "codecs/deflate/deflate_encoder_block.h"
#include "codecs/deflate/mszip.h"
#include "base/error.h"
#include "test_support.h"

namespace {

using fmt::codecs::DeflateEncoder;
using testsupport::haveTool;
using testsupport::randomBytes;
using testsupport::readFile;
using testsupport::run;
using testsupport::sh;
using testsupport::textBytes;
using Bytes = std::vector<uint8_t>;

// Inflates one raw stream that must end exactly at the end of `stream`.
Bytes inflateRaw(const Bytes& stream, size_t expect, const uint8_t* dict = nullptr, size_t dictSize = 0) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -MAX_WBITS), Z_OK);
  if (dictSize) EXPECT_EQ(inflateSetDictionary(&z, dict, static_cast<uInt>(dictSize)), Z_OK);
  Bytes out(expect + 1);
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&z, Z_FINISH);
  EXPECT_EQ(rc, Z_STREAM_END) << (z.msg ? z.msg : "");
  EXPECT_EQ(z.avail_in, 0u) << "bytes after the final block";
  out.resize(out.size() - z.avail_out);
  inflateEnd(&z);
  return out;
}

// data[0, history) is the history, the rest is encoded.
Bytes encode(const Bytes& data, size_t history, int level) {
  DeflateEncoder enc(level);
  Bytes out;
  enc.encode(data.data() + history, history, data.size() - history, out);
  EXPECT_LE(out.size(), DeflateEncoder::maxBytes(data.size() - history));
  return out;
}

void expectRoundTrip(const Bytes& data, size_t history, int level) {
  const Bytes z = encode(data, history, level);
  const size_t dict = std::min<size_t>(history, 32768);
  const Bytes back = inflateRaw(z, data.size() - history, data.data() + history - dict, dict);
  EXPECT_TRUE(std::equal(back.begin(), back.end(), data.begin() + history, data.end()) &&
              back.size() == data.size() - history)
      << "level " << level << ", " << data.size() - history << " bytes after " << history;
}

int blockType(const Bytes& z) { return (z.at(0) >> 1) & 3; }

Bytes runs(size_t n) {
  Bytes v;
  std::mt19937 g(7);
  while (v.size() < n) v.insert(v.end(), 1 + g() % 600, static_cast<uint8_t>(g() % 4));
  v.resize(n);
  return v;
}

// Text with stretches of bytes that follow no pattern, as in programs.
Bytes mixed(size_t n, uint32_t seed) {
  Bytes v = textBytes(n, seed);
  const Bytes r = randomBytes(n, seed + 1);
  for (size_t at = 0; at + 3000 < n; at += 9000) std::copy(r.begin() + at, r.begin() + at + 3000, v.begin() + at);
  return v;
}

// Text with long repeats (lines copied with small changes) as well as words.
Bytes repetitive(size_t n, uint32_t seed) {
  const Bytes words = textBytes(n, seed);
  std::mt19937 g(seed);
  Bytes v;
  while (v.size() < n) {
    if (v.size() > 4000 && g() % 2) {
      const size_t from = v.size() - 1 - g() % 4000, len = 20 + g() % 200;
      for (size_t k = 0; k < len; ++k) v.push_back(v[from + k]);
      v.push_back(static_cast<uint8_t>('A' + g() % 26));
    } else {
      const size_t at = g() % (n - 100);
      v.insert(v.end(), words.begin() + static_cast<std::ptrdiff_t>(at), words.begin() + static_cast<std::ptrdiff_t>(at + 1 + g() % 60));
    }
  }
  v.resize(n);
  return v;
}

size_t zlibSize(const Bytes& in, int level) {
  uLongf size = compressBound(static_cast<uLong>(in.size()));
  Bytes z(size);
  EXPECT_EQ(compress2(z.data(), &size, in.data(), static_cast<uLong>(in.size()), level), Z_OK);
  return size - 6;  // zlib's wrapper
}

TEST(DeflateEncoder, RoundTripsTheUsualShapesAtEveryKindOfLevel) {
  const std::vector<Bytes> inputs = {
      {}, {'x'}, Bytes(100000, 'a'), runs(70000), randomBytes(40000, 1), textBytes(200000, 2), mixed(150000, 3),
  };
  for (int level : {1, 3, 5, 7, 9})
    for (const Bytes& in : inputs) expectRoundTrip(in, 0, level);
}

TEST(DeflateEncoder, SizesAroundOneAndTwoPieces) {
  const Bytes text = textBytes(70000, 4);
  for (size_t n : {32767u, 32768u, 32769u, 65535u, 65536u, 65537u}) {
    Bytes in(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    expectRoundTrip(in, 0, 9);
    expectRoundTrip(in, 0, 2);
  }
}

TEST(DeflateEncoder, PicksStoredFixedOrDynamicByCost) {
  // Random bytes do not compress: stored, five bytes of header per block.
  const Bytes noise = randomBytes(20000, 5);
  const Bytes z = encode(noise, 0, 9);
  EXPECT_EQ(blockType(z), 0);
  EXPECT_EQ(z.size(), noise.size() + 5);
  // One byte: a fixed block is shorter than any header.
  EXPECT_EQ(blockType(encode({'q'}, 0, 9)), 1);
  EXPECT_EQ(encode({}, 0, 9), (Bytes{0x03, 0x00}));
  // Plenty of text: a code of its own pays.
  EXPECT_EQ(blockType(encode(textBytes(30000, 6), 0, 9)), 2);
}

TEST(DeflateEncoder, LongestMatchesAndFarthestDistance) {
  // 32768 random bytes, then the same again: only matches of distance 32768
  // (and mostly of length 258) can shrink the second copy.
  Bytes twice = randomBytes(32768, 8);
  twice.insert(twice.end(), twice.begin(), twice.end());
  for (int level : {1, 9}) {
    const Bytes z = encode(twice, 0, level);
    EXPECT_LT(z.size(), 32768u + 32768u / 258 * 4 + 1200) << level;
    expectRoundTrip(twice, 0, level);
  }
  // The second half as a frame of its own after the first as history.
  const Bytes z = encode(twice, 32768, 9);
  EXPECT_LT(z.size(), 32768u / 258 * 4 + 300);
  expectRoundTrip(twice, 32768, 9);
  // Text takes the chain parse, whose chains of common words run long: the
  // copy still goes in matches of 258 at the farthest distance, at any level.
  Bytes prose = textBytes(32768, 8);
  prose.insert(prose.end(), prose.begin(), prose.end());
  for (int level : {1, 4, 9}) {
    EXPECT_LT(encode(prose, 32768, level).size(), 32768u / 258 * 4 + 300) << level;
    expectRoundTrip(prose, 32768, level);
  }
  // One byte further is out of reach.
  Bytes shifted = randomBytes(32769, 8);
  shifted.insert(shifted.end(), shifted.begin(), shifted.begin() + 32768);
  EXPECT_GT(encode(shifted, 32769, 9).size(), 32768u);
}

// A long stream is searched in spans of 1024 pieces; matches reach back
// across the seam like anywhere else.
TEST(DeflateEncoder, StreamsLongerThanOneSpan) {
  const size_t span = 1024 * DeflateEncoder::kFrame;
  const Bytes unit = textBytes(20000, 27);
  Bytes in;
  in.reserve(span + 100000);
  while (in.size() < span + 100000) in.insert(in.end(), unit.begin(), unit.end());
  const Bytes z = encode(in, 0, 1);
  EXPECT_EQ(inflateRaw(z, in.size()), in);
  // Past the seam every copy still costs a handful of matches; had the
  // history been lost there, the first copy would cost its text again.
  const Bytes head(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(span));
  const size_t beyond = z.size() - encode(head, 0, 1).size();
  EXPECT_LT(beyond, encode(unit, 0, 1).size() / 2);
}

TEST(DeflateEncoder, UsesTheHistoryOnlyWhenGiven) {
  const Bytes text = textBytes(40000, 9);
  Bytes data = text;
  data.insert(data.end(), text.begin() + 10000, text.begin() + 30000);  // 20000 bytes seen before
  const Bytes with = encode(data, text.size(), 9);
  Bytes alone(data.begin() + static_cast<std::ptrdiff_t>(text.size()), data.end());
  const Bytes without = encode(alone, 0, 9);
  EXPECT_LT(with.size() * 20, without.size());
  expectRoundTrip(data, text.size(), 9);
  expectRoundTrip(alone, 0, 9);
  // A history longer than the window: only its last 32 KB are reached.
  expectRoundTrip(data, 35000, 6);
}

TEST(DeflateEncoder, FramesAreStreamsOfTheirOwnReferringBack) {
  Bytes data = mixed(150000, 19);
  data.insert(data.end(), data.begin() + 1000, data.begin() + 60000);
  const size_t history = 20000;
  DeflateEncoder enc(8);
  std::vector<Bytes> streams;
  enc.encodeFrames(data.data() + history, history, data.size() - history, streams);
  const size_t n = data.size() - history;
  ASSERT_EQ(streams.size(), (n + DeflateEncoder::kFrame - 1) / DeflateEncoder::kFrame);
  for (size_t f = 0; f < streams.size(); ++f) {
    const size_t at = history + f * DeflateEncoder::kFrame;
    const size_t len = std::min(DeflateEncoder::kFrame, data.size() - at);
    const size_t dict = std::min<size_t>(at, 32768);
    EXPECT_EQ(inflateRaw(streams[f], len, data.data() + at - dict, dict),
              Bytes(data.begin() + static_cast<std::ptrdiff_t>(at), data.begin() + static_cast<std::ptrdiff_t>(at + len)))
        << "frame " << f;
  }
  // Searched together or one by one, the frames come out much the same size.
  size_t together = 0, alone = 0;
  for (size_t f = 0; f < streams.size(); ++f) {
    together += streams[f].size();
    const size_t at = history + f * DeflateEncoder::kFrame;
    Bytes one;
    enc.encode(data.data() + at, at, std::min(DeflateEncoder::kFrame, data.size() - at), one);
    alone += one.size();
  }
  EXPECT_LT(together, alone + alone / 100);
  EXPECT_GT(together, alone - alone / 100);
}

// Groups of frames go to whichever thread is free; the blocks must not tell
// how many there were. Text and noise alternate so that groups differ in cost.
TEST(MszipFrames, SameBlocksOnAnyNumberOfThreads) {
  Bytes data;
  for (uint32_t k = 0; data.size() < 37 * DeflateEncoder::kFrame - 1000; ++k) {
    const Bytes part = k % 3 ? textBytes(50000, 40 + k) : randomBytes(20000, 40 + k);
    data.insert(data.end(), part.begin(), part.end());
  }
  data.resize(37 * DeflateEncoder::kFrame - 1000);
  const uint16_t mszip = static_cast<uint16_t>(fmt::cab::Method::Mszip);
  std::vector<Bytes> one;
  fmt::cab::makeEncoder(mszip, 9, 1)->encodeFrames(data.data(), 0, data.size(), one);
  ASSERT_EQ(one.size(), 37u);
  fmt::codecs::MszipDecoder dec;
  Bytes back(data.size());
  for (size_t f = 0; f < one.size(); ++f) {
    const size_t at = f * DeflateEncoder::kFrame, len = std::min(DeflateEncoder::kFrame, data.size() - at);
    dec.decodeBlock(one[f].data(), one[f].size(), back.data() + at, len);
  }
  EXPECT_EQ(back, data);
  for (unsigned threads : {2u, 3u, 4u}) {
    std::vector<Bytes> many;
    fmt::cab::makeEncoder(mszip, 9, threads)->encodeFrames(data.data(), 0, data.size(), many);
    EXPECT_EQ(many, one) << threads << " threads";
  }
}

// Text frames and the others are searched under different limits; the trees
// run on across the change either way, so each kind finds the other's bytes.
TEST(DeflateEncoder, TextAndBinaryFramesFindEachOthersBytes) {
  const size_t half = DeflateEncoder::kFrame / 2;
  const Bytes text = textBytes(2 * DeflateEncoder::kFrame, 31), noise = randomBytes(half, 32);
  Bytes data(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(DeflateEncoder::kFrame));  // text
  const Bytes copied(data.begin() + static_cast<std::ptrdiff_t>(half), data.end());
  data.insert(data.end(), noise.begin(), noise.end());  // noise, then text seen in the frame before
  data.insert(data.end(), copied.begin(), copied.end());
  const Bytes fresh(text.end() - static_cast<std::ptrdiff_t>(half), text.end());
  data.insert(data.end(), copied.begin(), copied.end());  // text again, then new text
  data.insert(data.end(), fresh.begin(), fresh.end());
  DeflateEncoder enc(9);
  std::vector<Bytes> streams;
  enc.encodeFrames(data.data(), 0, data.size(), streams);
  ASSERT_EQ(streams.size(), 3u);
  for (size_t f = 0; f < 3; ++f) {
    const size_t at = f * DeflateEncoder::kFrame, dict = std::min<size_t>(at, 32768);
    EXPECT_EQ(inflateRaw(streams[f], DeflateEncoder::kFrame, data.data() + at - dict, dict),
              Bytes(data.begin() + static_cast<std::ptrdiff_t>(at),
                    data.begin() + static_cast<std::ptrdiff_t>(at + DeflateEncoder::kFrame)))
        << "frame " << f;
  }
  // Each copied half costs a few matches on top of what the rest costs alone.
  EXPECT_LT(streams[1].size(), half + half / 50);
  EXPECT_LT(streams[2].size(), encode(fresh, 0, 9).size() + 200);
}

TEST(DeflateEncoder, OutputDependsOnlyOnTheArguments) {
  const Bytes a = mixed(50000, 10), b = textBytes(50000, 11);
  DeflateEncoder enc(9);
  Bytes first, other, again;
  enc.encode(a.data(), 0, a.size(), first);
  enc.encode(b.data(), 0, b.size(), other);
  enc.encode(a.data(), 0, a.size(), again);
  EXPECT_EQ(first, again);
}

// Level 9 parses what is not text at its best; text takes the fast chain parse
// even there, and must still come out smaller than zlib's default level.
TEST(DeflateEncoder, BetterThanZlibAtItsBestAndTextAtItsDefault) {
  for (const Bytes& in : {mixed(300000, 14), randomBytes(100000, 15)}) EXPECT_LT(encode(in, 0, 9).size(), zlibSize(in, 9));
  // (Lines copied with small changes come out 0.3% larger than zlib's -6: the
  // chain parse needs deeper chains than zlib's to find them all.)
  EXPECT_LT(encode(textBytes(300000, 12), 0, 9).size(), zlibSize(textBytes(300000, 12), 6));
  const Bytes copies = repetitive(300000, 13);
  EXPECT_LT(encode(copies, 0, 9).size(), zlibSize(copies, 6) * 1.01);
}

TEST(DeflateEncoder, FastLevelsBeatZlibsFastest) {
  for (const Bytes& in : {textBytes(300000, 24), repetitive(300000, 25), mixed(300000, 26)}) {
    EXPECT_LT(encode(in, 0, 1).size(), zlibSize(in, 1));
    EXPECT_LT(encode(in, 0, 3).size(), zlibSize(in, 3));
    expectRoundTrip(in, 0, 1);
  }
}

TEST(DeflateEncoder, LevelsTradeSizeForSpeed) {
  const Bytes in = mixed(200000, 14);
  EXPECT_LT(encode(in, 0, 9).size(), encode(in, 4, 4).size());
  EXPECT_LT(encode(in, 0, 4).size(), encode(in, 0, 1).size());
  EXPECT_THROW(DeflateEncoder(0), fmt::Error);
  EXPECT_THROW(DeflateEncoder(10), fmt::Error);
}

// Symbol counts along the Fibonacci numbers make an unlimited Huffman code
// as deep as there are symbols.
TEST(DeflateCodeLengths, StayWithinTheirLimitsOnSkewedCounts) {
  using namespace fmt::codecs::deflate;
  SymbolCounts counts;
  uint32_t a = 1, b = 1;
  for (int i = 0; i < 30; ++i) {
    counts.litlen[i] = a;
    counts.dist[i] = a;
    std::tie(a, b) = std::make_pair(b, a + b);
  }
  counts.litlen[kEndOfBlock] = 1;
  BlockCode code;
  buildCode(counts, code);
  auto check = [](const uint8_t* len, int n, int limit) {
    uint64_t kraft = 0;
    for (int i = 0; i < n; ++i) {
      EXPECT_LE(len[i], limit);
      if (len[i]) kraft += uint64_t(1) << (limit - len[i]);
    }
    EXPECT_EQ(kraft, uint64_t(1) << limit) << "the code must be complete";
  };
  check(code.litlen, kLitLenSymbols, 15);
  check(code.dist, kDistSymbols, 15);
  Header header;
  planHeader(code, header);
  check(header.clLen, kCodeLenSymbols, 7);

  // One symbol or none still makes a complete code.
  SymbolCounts one;
  one.litlen[kEndOfBlock] = 1;
  buildCode(one, code);
  check(code.litlen, kLitLenSymbols, 15);
  check(code.dist, kDistSymbols, 15);
}

// Each length and distance at the edges of its code, among literals: counted
// under the code whose base and extra bits hold it, literals under no distance.
TEST(DeflateSymbolCounts, EveryCodeAtItsEdgesBetweenLiterals) {
  using namespace fmt::codecs::deflate;
  std::vector<Token> tokens;
  SymbolCounts expected;
  auto literal = [&](uint8_t b) {
    tokens.push_back({b, 0});
    expected.litlen[b]++;
  };
  for (int c = 0; c < kDistSymbols; ++c) {
    const uint32_t span = 1u << kDistExtra[c];
    for (uint32_t d : {uint32_t{kDistBase[c]}, kDistBase[c] + span - 1}) {
      tokens.push_back({3, static_cast<uint16_t>(d)});
      expected.litlen[257]++;
      expected.dist[c]++;
      literal(static_cast<uint8_t>(d));
    }
  }
  for (int c = 0; c < 29; ++c) {
    const uint32_t last = c == 28 ? 258 : std::min<uint32_t>(kLengthBase[c] + (1u << kLengthExtra[c]) - 1, 257);
    for (uint32_t l : {uint32_t{kLengthBase[c]}, last}) {
      tokens.push_back({static_cast<uint16_t>(l), 1});
      expected.litlen[257 + c]++;
      expected.dist[0]++;
      literal(255);
    }
  }
  SymbolCounts counts;
  counts.add(tokens.data(), tokens.size());
  EXPECT_TRUE(std::equal(std::begin(counts.litlen), std::end(counts.litlen), std::begin(expected.litlen)));
  EXPECT_TRUE(std::equal(std::begin(counts.dist), std::end(counts.dist), std::begin(expected.dist)));
  // Counted in two parts and the first taken off again: the second part's counts.
  SymbolCounts first, second;
  first.add(tokens.data(), 41);
  second.add(tokens.data() + 41, tokens.size() - 41);
  counts.subtract(first);
  EXPECT_TRUE(std::equal(std::begin(counts.litlen), std::end(counts.litlen), std::begin(second.litlen)));
  EXPECT_TRUE(std::equal(std::begin(counts.dist), std::end(counts.dist), std::begin(second.dist)));
}

TEST(DeflateCodeLengths, SkewedInputStillDecodes) {
  // Bytes drawn with Fibonacci weights, shuffled so that matches are rare.
  Bytes in;
  uint32_t a = 1, b = 1;
  for (int sym = 0; sym < 24; ++sym) {
    in.insert(in.end(), a, static_cast<uint8_t>(sym * 7));
    std::tie(a, b) = std::make_pair(b, a + b);
  }
  std::shuffle(in.begin(), in.end(), std::mt19937(15));
  for (int level : {1, 9}) expectRoundTrip(in, 0, level);
}

TEST(DeflateEncoder, StrangeInputsRoundTrip) {
  std::mt19937 g(16);
  for (int round = 0; round < 40; ++round) {
    const size_t n = g() % 5000;
    Bytes in(n);
    const uint32_t alphabet = 1 + g() % 6;
    for (auto& c : in) c = static_cast<uint8_t>(g() % alphabet);
    const size_t history = n ? g() % n : 0;
    expectRoundTrip(in, history, 1 + static_cast<int>(g() % 9));
  }
}

// A folder of frames: each refers back into the frames before it.
TEST(MszipFrames, ChainOverAFolderAndDecodeByBothDecoders) {
  Bytes folder = textBytes(120000, 17);
  const Bytes rep(folder.begin(), folder.begin() + 40000);
  folder.insert(folder.end(), rep.begin(), rep.end());
  const Bytes noise = randomBytes(20000, 18);
  folder.insert(folder.end(), noise.begin(), noise.end());
  folder.insert(folder.end(), 7000, 'z');  // a short last frame

  fmt::codecs::MszipEncoder enc(9), parallel(9);
  std::vector<Bytes> frames;
  for (size_t at = 0; at < folder.size(); at += fmt::codecs::kMszipFrameSize) {
    const size_t n = std::min(fmt::codecs::kMszipFrameSize, folder.size() - at);
    frames.emplace_back();
    enc.encodeFrame(folder.data() + at, n, frames.back());
    // Given the history instead, the same block comes out.
    Bytes after;
    parallel.encodeFrameAfter(folder.data() + at, at, n, after);
    EXPECT_EQ(after, frames.back()) << at;
    EXPECT_LE(frames.back().size(), fmt::codecs::MszipEncoder::maxFrameBytes(n));
  }
  fmt::codecs::MszipDecoder dec;
  Bytes out;
  for (size_t f = 0; f < frames.size(); ++f) {
    const size_t at = f * fmt::codecs::kMszipFrameSize;
    const size_t n = std::min(fmt::codecs::kMszipFrameSize, folder.size() - at);
    ASSERT_EQ(frames[f][0], 'C');
    ASSERT_EQ(frames[f][1], 'K');
    Bytes block(n);
    dec.decodeBlock(frames[f].data(), frames[f].size(), block.data(), n);
    out.insert(out.end(), block.begin(), block.end());
    // zlib with the 32 KB before the frame as its dictionary.
    const size_t dict = std::min<size_t>(at, 32768);
    Bytes stream(frames[f].begin() + 2, frames[f].end());
    EXPECT_EQ(inflateRaw(stream, n, folder.data() + at - dict, dict),
              Bytes(folder.begin() + static_cast<std::ptrdiff_t>(at), folder.begin() + static_cast<std::ptrdiff_t>(at + n)));
  }
  EXPECT_EQ(out, folder);

  // Frames searched in groups (as the Cabinet writer's threads do): other
  // blocks, the same bytes.
  dec.reset();
  Bytes grouped;
  const size_t group = 3 * fmt::codecs::kMszipFrameSize;
  for (size_t at = 0; at < folder.size(); at += group) {
    std::vector<Bytes> blocks;
    parallel.encodeFramesAfter(folder.data() + at, at, std::min(group, folder.size() - at), blocks);
    ASSERT_EQ(blocks.size(), std::min<size_t>(3, frames.size() - at / fmt::codecs::kMszipFrameSize));
    for (size_t i = 0; i < blocks.size(); ++i) {
      const size_t n = std::min(fmt::codecs::kMszipFrameSize, folder.size() - at - i * fmt::codecs::kMszipFrameSize);
      EXPECT_LE(blocks[i].size(), fmt::codecs::MszipEncoder::maxFrameBytes(n));
      Bytes block(n);
      dec.decodeBlock(blocks[i].data(), blocks[i].size(), block.data(), n);
      grouped.insert(grouped.end(), block.begin(), block.end());
    }
  }
  EXPECT_EQ(grouped, folder);

  // The repeated 40000 bytes lie more than 32 KB back: only frames after the
  // first refer back, and a reset forgets them.
  enc.reset();
  Bytes first;
  enc.encodeFrame(folder.data() + 4 * 32768, 32768, first);
  EXPECT_GT(first.size(), frames[4].size());
  EXPECT_THROW(enc.encodeFrame(folder.data(), 32769, first), fmt::Error);
}

// Cabinets whose frames take every kind of block (stored, fixed, dynamic, runs
// of 258, references across frames), at a fast level and at the best: the
// independent readers must extract them byte for byte.
TEST(MszipCabinets, EveryKindOfBlockExtractsWithCabextractAndGcab) {
  const bool cabextract = haveTool("cabextract"), gcab = haveTool("gcab");
  if (!cabextract && !gcab) GTEST_SKIP() << "neither cabextract nor gcab installed";
  testsupport::TempDir dir;
  Bytes again = randomBytes(30000, 20);
  again.insert(again.end(), again.begin(), again.end());
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"one.txt", {'x'}}, {"noise.bin", randomBytes(70000, 21)}, {"runs.bin", runs(90000)},
      {"text.txt", textBytes(150000, 22)}, {"mixed.bin", mixed(100000, 23)}, {"again.bin", again},
      {"empty.txt", {}},
  };
  std::vector<fmt::SourceItem> items;
  for (const auto& [name, data] : files) {
    testsupport::writeFile(dir / ("src-" + name), data);
    fmt::SourceItem it;
    it.diskPath = dir / ("src-" + name);
    it.size = data.size();
    it.name = name;
    it.mtime = 1700000000;
    it.attributes = fmt::kAttrArchive;
    items.push_back(it);
  }
  for (int level : {2, 9}) {
    SCOPED_TRACE(level);
    const std::string cab = dir / ("l" + std::to_string(level) + ".cab");
    fmt::cab::WriteOptions options;
    options.level = level;
    fmt::cab::writeCabinet(cab, items, options);
    if (cabextract) {
      const std::string out = dir / ("cx" + std::to_string(level));
      ASSERT_EQ(run("cabextract -q -d " + sh(out) + " " + sh(cab) + " 2>&1"), 0);
      for (const auto& [name, data] : files) EXPECT_EQ(readFile(out + "/" + name), data) << "cabextract " << name;
    }
    if (gcab) {
      const std::string out = dir / ("gx" + std::to_string(level));
      ASSERT_EQ(run("mkdir -p " + sh(out) + " && gcab -x -C " + sh(out) + " " + sh(cab) + " >/dev/null 2>&1"), 0);
      for (const auto& [name, data] : files) EXPECT_EQ(readFile(out + "/" + name), data) << "gcab " << name;
    }
  }
}

}  // namespace
