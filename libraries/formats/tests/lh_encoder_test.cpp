// The -lh5-/-lh6-/-lh7- encoder: every stream it writes must be read back byte for
// byte by our decoder and by two independent LHA programs.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "codecs/lh/lh_decoder.h"
#include "codecs/lh/lh_encoder.h"
#include "codecs/huffman_lengths.h"
#include "core/archive.h"
#include "core/checksum.h"
#include "test_support.h"
#include "lzh/lzh_reader.h"

using namespace testsupport;
using fmt::codecs::encodeLh;

namespace {

std::vector<uint8_t> encode(const std::vector<uint8_t>& data, int method) {
  fmt::MemoryInStream in(data);
  fmt::MemoryOutStream out;
  auto r = encodeLh(in, data.size(), out, method);
  EXPECT_FALSE(r.abandoned);
  EXPECT_EQ(r.packedSize, out.data.size());
  return out.data;
}

std::vector<uint8_t> decode(const std::vector<uint8_t>& packed, size_t size, int method) {
  fmt::MemoryInStream in(packed);
  fmt::MemoryOutStream out;
  fmt::codecs::LhDecoder(fmt::codecs::lhWindowBits(method)).decode(in, size, out);
  return out.data;
}

// A one-entry-per-file level-0 archive around streams we made, so that the
// independent programs can test and extract them.
void appendLevel0(std::vector<uint8_t>& arc, const std::string& name, int method, const std::vector<uint8_t>& data,
                  const std::vector<uint8_t>& packed) {
  std::vector<uint8_t> h(24 + name.size(), 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  h[0] = static_cast<uint8_t>(h.size() - 2);
  std::memcpy(&h[2], "-lh5-", 5);
  h[5] = static_cast<uint8_t>('0' + method);
  put32(7, static_cast<uint32_t>(packed.size()));
  put32(11, static_cast<uint32_t>(data.size()));
  put32(15, (46u << 25) | (3u << 21) | (14u << 16) | (12u << 11));  // 2026-03-14 12:00
  h[19] = 0x20;
  h[21] = static_cast<uint8_t>(name.size());
  std::memcpy(&h[22], name.data(), name.size());
  const uint16_t crc = fmt::crc16Update(0, data.data(), data.size());
  h[22 + name.size()] = static_cast<uint8_t>(crc);
  h[23 + name.size()] = static_cast<uint8_t>(crc >> 8);
  uint8_t sum = 0;
  for (size_t i = 2; i < h.size(); i++) sum = static_cast<uint8_t>(sum + h[i]);
  h[1] = sum;
  arc.insert(arc.end(), h.begin(), h.end());
  arc.insert(arc.end(), packed.begin(), packed.end());
}

// Inputs that reach the encoder's edges: runs, noise, window and block limits.
std::map<std::string, std::vector<uint8_t>> edgeCases(int method) {
  const size_t window = size_t{1} << fmt::codecs::lhWindowBits(method);
  std::map<std::string, std::vector<uint8_t>> c;
  c["empty"] = {};
  c["one"] = {'x'};
  c["two"] = {0, 0};
  c["run"] = std::vector<uint8_t>(300000, 'a');
  c["text"] = textBytes(400000, 1);
  c["noise"] = randomBytes(100000, 2);
  for (long d : {-1L, 0L, 1L}) c["window" + std::to_string(d)] = textBytes(window + d, 3);
  // Incompressible bytes give one code each: blocks end exactly at their 65535 limit.
  for (long d : {-1L, 0L, 1L, 65536L}) c["codes" + std::to_string(d)] = randomBytes(65535 + d, 4);
  // Few distinct bytes: short matches and literals mixed over many blocks.
  std::vector<uint8_t> four = randomBytes(600000, 5);
  for (auto& b : four) b = "ACGT"[b & 3];
  c["dna"] = four;
  // Noise repeated at exactly the window's distance: only the farthest match helps.
  std::vector<uint8_t> far = randomBytes(window, 6);
  std::vector<uint8_t> twice = far;
  twice.insert(twice.end(), far.begin(), far.end());
  c["farthest"] = twice;
  // Alternating long and short matches, and every byte value.
  std::vector<uint8_t> mixed;
  for (int i = 0; i < 5000; i++) {
    auto piece = textBytes(20 + i % 300, 100 + i % 17);
    mixed.insert(mixed.end(), piece.begin(), piece.end());
    mixed.push_back(static_cast<uint8_t>(i));
  }
  c["mixed"] = mixed;
  // A repeat of every length up to past the longest match, each after noise
  // and at a distance of its own: the parse takes long matches whole and jumps
  // over them, so each length is where that may go wrong.
  std::vector<uint8_t> lengths;
  for (size_t len = 3; len <= 300; len++) {
    auto noise = randomBytes(7 + len % 13, static_cast<uint32_t>(len));
    auto piece = textBytes(len, static_cast<uint32_t>(1000 + len));
    const size_t gap = len * 37 % (window / 2);
    lengths.insert(lengths.end(), piece.begin(), piece.end());
    auto filler = randomBytes(gap, static_cast<uint32_t>(2000 + len));
    lengths.insert(lengths.end(), filler.begin(), filler.end());
    lengths.insert(lengths.end(), noise.begin(), noise.end());
    lengths.insert(lengths.end(), piece.begin(), piece.end());
  }
  c["lengths"] = lengths;
  return c;
}

class LhEncoderMethod : public ::testing::TestWithParam<int> {};

TEST_P(LhEncoderMethod, EdgeCasesDecodeWithOursAndIndependentPrograms) {
  const int method = GetParam();
  TempDir dir;
  std::vector<uint8_t> arc;
  auto cases = edgeCases(method);
  for (const auto& [name, data] : cases) {
    SCOPED_TRACE(name);
    auto packed = encode(data, method);
    try {
      EXPECT_EQ(decode(packed, data.size(), method), data);
    } catch (const fmt::Error& e) {
      ADD_FAILURE() << "our decoder: " << e.what();
    }
    appendLevel0(arc, name, method, data, packed);
  }
  arc.push_back(0);
  writeFile(dir / "all.lzh", arc);

  // Our archive reader, through its own CRC check.
  auto reader = fmt::openLzh(dir / "all.lzh");
  ASSERT_TRUE(reader);
  ASSERT_EQ(reader->entries().size(), cases.size());
  for (size_t i = 0; i < reader->entries().size(); i++) {
    const auto& e = reader->entries()[i];
    SCOPED_TRACE(e.name);
    ASSERT_TRUE(cases.count(e.name));
    EXPECT_EQ(e.method, "-lh" + std::to_string(method) + "-");
    fmt::MemoryOutStream got;
    try {
      reader->extract(i, got);
      EXPECT_EQ(got.data, cases[e.name]);
    } catch (const fmt::Error& err) {
      ADD_FAILURE() << "our reader: " << err.what();
    }
  }

  bool any = false;
  for (const std::string tool : {"lhasa", "jlha"}) {
    if (!haveTool(tool)) continue;
    any = true;
    SCOPED_TRACE(tool);
    const std::string out = dir / tool;
    ASSERT_EQ(run("mkdir " + sh(out)), 0);
    if (tool == "lhasa") EXPECT_EQ(run("lhasa t " + sh(dir / "all.lzh") + " >/dev/null 2>&1"), 0);
    run("cd " + sh(out) + " && " + tool + " x ../all.lzh >/dev/null 2>&1");
    for (const auto& [name, data] : cases) EXPECT_EQ(readFile(out + "/" + name), data) << name;
  }
  if (!any) GTEST_SKIP() << "neither lhasa nor jlha is installed";
}

TEST_P(LhEncoderMethod, Compresses) {
  const int method = GetParam();
  const size_t window = size_t{1} << fmt::codecs::lhWindowBits(method);
  auto cases = edgeCases(method);
  // A run of one byte is a few hundred bits of trees plus about a bit per 256 bytes.
  EXPECT_LT(encode(cases["run"], method).size(), 2000u);
  EXPECT_LT(encode(cases["text"], method).size(), cases["text"].size() / 3);
  // Two bits of entropy a byte: literals alone come near a quarter of the size.
  EXPECT_LT(encode(cases["dna"], method).size(), cases["dna"].size() * 27 / 100);
  // The second copy is found at exactly the window's distance and costs almost nothing.
  EXPECT_LT(encode(cases["farthest"], method).size(), window + window / 16);
  // Noise grows only by its block headers.
  EXPECT_LT(encode(cases["noise"], method).size(), cases["noise"].size() + 200);
}

// Inputs past a few megabytes are encoded in chunks side by side: the joined
// stream must read as one, with matches reaching across chunk ends.
TEST_P(LhEncoderMethod, ChunkedInputDecodes) {
  const int method = GetParam();
  std::vector<uint8_t> data;
  while (data.size() < (size_t{9} << 20)) {
    auto piece = textBytes(700000, static_cast<uint32_t>(data.size()));
    data.insert(data.end(), piece.begin(), piece.end());
    data.insert(data.end(), piece.begin(), piece.begin() + 50000);  // an echo over the chunk's edge
    auto noise = randomBytes(30000, static_cast<uint32_t>(data.size()));
    data.insert(data.end(), noise.begin(), noise.end());
  }
  auto packed = encode(data, method);
  EXPECT_LT(packed.size(), data.size() / 2);
  EXPECT_EQ(decode(packed, data.size(), method), data);
  if (!haveTool("lhasa")) GTEST_SKIP() << "lhasa is not installed";
  TempDir dir;
  std::vector<uint8_t> arc;
  appendLevel0(arc, "big", method, data, packed);
  arc.push_back(0);
  writeFile(dir / "big.lzh", arc);
  EXPECT_EQ(run("cd " + sh(dir.path()) + " && lhasa x big.lzh >/dev/null 2>&1"), 0);
  EXPECT_EQ(readFile(dir / "big"), data);
}

INSTANTIATE_TEST_SUITE_P(Methods, LhEncoderMethod, ::testing::Values(5, 6, 7),
                         [](const auto& info) { return "lh" + std::to_string(info.param); });

TEST(LhEncoder, StopsAtTheLimitWithoutWritingPastIt) {
  for (size_t size : {size_t{300000}, size_t{7} << 20}) {  // in one piece, and in chunks
    auto noise = randomBytes(size, 7);
    fmt::MemoryInStream in(noise);
    fmt::MemoryOutStream out;
    auto r = encodeLh(in, noise.size(), out, 7, noise.size());
    EXPECT_TRUE(r.abandoned) << size;
    EXPECT_LE(out.data.size(), noise.size()) << size;
  }

  auto text = textBytes(300000, 8);
  fmt::MemoryInStream tin(text);
  fmt::MemoryOutStream tout;
  auto t = encodeLh(tin, text.size(), tout, 7, text.size());
  EXPECT_FALSE(t.abandoned);
  EXPECT_EQ(decode(tout.data, text.size(), 7), text);
}

TEST(LhEncoder, ReportsProgressAndHonoursCancel) {
  auto text = textBytes(1000000, 9);
  std::vector<uint64_t> seen;
  {
    fmt::MemoryInStream in(text);
    fmt::MemoryOutStream out;
    encodeLh(in, text.size(), out, 6, UINT64_MAX, [&](uint64_t done, uint64_t total) {
      EXPECT_EQ(total, text.size());
      seen.push_back(done);
      return true;
    });
  }
  ASSERT_GE(seen.size(), 2u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), text.size());

  for (size_t size : {text.size(), size_t{6} << 20}) {
    auto data = textBytes(size, 11);
    fmt::MemoryInStream in(data);
    fmt::MemoryOutStream out;
    try {
      encodeLh(in, data.size(), out, 6, UINT64_MAX, [](uint64_t done, uint64_t) { return done < 200000; });
      ADD_FAILURE() << "not cancelled at " << size;
    } catch (const fmt::Error& e) {
      EXPECT_EQ(e.kind(), fmt::ErrorKind::Cancelled);
    }
  }
}

TEST(LhEncoder, RejectsShortInputAndUnknownMethods) {
  auto text = textBytes(5000, 10);
  fmt::MemoryOutStream out;
  for (uint64_t claimed : {uint64_t{5001}, uint64_t{9} << 20}) {
    fmt::MemoryInStream in(text);
    try {
      encodeLh(in, claimed, out, 5);
      ADD_FAILURE() << "short input accepted as " << claimed;
    } catch (const fmt::Error& e) {
      EXPECT_EQ(e.kind(), fmt::ErrorKind::Truncated);
    }
  }
  for (int bad : {0, 4, 8}) {
    fmt::MemoryInStream again(text);
    try {
      encodeLh(again, text.size(), out, bad);
      FAIL() << "method " << bad << " accepted";
    } catch (const fmt::Error& e) {
      EXPECT_EQ(e.kind(), fmt::ErrorKind::Usage);
    }
  }
}

TEST(LhHuffman, SkewedCountsStayWithinSixteenBitsAndComplete) {
  // Fibonacci counts make the unlimited tree as deep as there are symbols.
  std::vector<uint32_t> freq(40);
  freq[0] = freq[1] = 1;
  for (size_t i = 2; i < freq.size(); i++) freq[i] = freq[i - 1] + freq[i - 2];
  freq.resize(510, 0);
  freq[300] = 7;
  std::vector<uint8_t> len(510);
  EXPECT_EQ(fmt::codecs::huffmanLengths(freq.data(), 510, 16, len.data()), 41);
  uint64_t kraft = 0;
  for (size_t i = 0; i < len.size(); i++) {
    EXPECT_LE(len[i], 16) << i;
    EXPECT_EQ(len[i] == 0, freq[i] == 0) << i;
    if (len[i]) kraft += uint64_t{1} << (16 - len[i]);
  }
  EXPECT_EQ(kraft, uint64_t{1} << 16);
  // More frequent never gets a longer code.
  for (size_t i = 1; i < 40; i++) EXPECT_LE(len[i], len[i - 1]) << i;

  // Canonical codes are a prefix code: no code starts another.
  std::vector<uint16_t> code(510);
  fmt::codecs::canonicalCodes(len.data(), 510, code.data());
  for (size_t a = 0; a < 510; a++)
    for (size_t b = 0; b < 510; b++) {
      if (a == b || !len[a] || !len[b] || len[a] > len[b]) continue;
      EXPECT_NE(code[b] >> (len[b] - len[a]), code[a]) << a << " prefixes " << b;
    }
}

}  // namespace
