// Quantum decoding of the corpus cabinets, checked against cabextract, and of
// damaged data, which must fail cleanly.
#include <gtest/gtest.h>

#include "codecs/quantum.h"
#include "core/error.h"
#include "lzx_test_cab.h"
#include "test_support.h"

namespace {

using fmt::codecs::QuantumDecoder;
using testsupport::sh;

constexpr int kQuantum = 2;

std::vector<uint8_t> decodeFolder(const lzxtest::Folder& folder) {
  QuantumDecoder dec((folder.type >> 8) & 0x1F);
  std::vector<uint8_t> out;
  for (const lzxtest::Block& b : folder.blocks) {
    size_t at = out.size();
    out.resize(at + b.outSize);
    dec.decodeBlock(b.data.data(), b.data.size(), out.data() + at, b.outSize);
  }
  return out;
}

void expectQuantumFilesMatchCabextract(const std::string& cabPath, int wantFiles) {
  if (!testsupport::haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  lzxtest::Cab cab = lzxtest::parseCab(testsupport::readFile(cabPath));
  int checked = 0;
  for (size_t f = 0; f < cab.folders.size(); ++f) {
    if ((cab.folders[f].type & 0xF) != kQuantum) continue;
    std::vector<uint8_t> data = decodeFolder(cab.folders[f]);
    for (const auto& file : cab.files) {
      if (file.folder != f) continue;
      ASSERT_LE(uint64_t(file.offset) + file.size, data.size()) << file.name;
      std::string expected;
      ASSERT_EQ(testsupport::run("cabextract -q -p -F " + sh(file.name) + " " + sh(cabPath), &expected), 0);
      ASSERT_EQ(expected.size(), file.size) << file.name;
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), data.begin() + file.offset,
                             [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }))
          << file.name;
      checked++;
    }
  }
  EXPECT_EQ(checked, wantFiles);
}

TEST(QuantumDecoder, CorpusFoldersMatchCabextract) {
  if (testsupport::testdata().empty()) GTEST_SKIP() << "SUITE_TESTDATA not set";
  const std::string dir = testsupport::testdata() + "/cab/";
  expectQuantumFilesMatchCabextract(dir + "valid/mszip_lzx_qtm.cab", 1);
  expectQuantumFilesMatchCabextract(dir + "valid/mixed.cab", 1);
  // Sixteen frames: the models rescale and reorder many times.
  expectQuantumFilesMatchCabextract(dir + "malformed/cve-2010-2801-qtm-flush.cab", 1);
}

TEST(QuantumDecoder, DamagedCorpusFoldersFailCleanly) {
  if (testsupport::testdata().empty()) GTEST_SKIP() << "SUITE_TESTDATA not set";
  for (const char* name : {"qtm-max-size-block.cab", "cve-2018-18584-qtm-max-size-block.cab",
                           "cve-2014-9556-qtm-infinite-loop.cab"}) {
    lzxtest::Cab cab = lzxtest::parseCab(testsupport::readFile(testsupport::testdata() + "/cab/malformed/" + name));
    ASSERT_EQ(cab.folders.size(), 1u);
    EXPECT_THROW(decodeFolder(cab.folders[0]), fmt::Error) << name;
  }
}

TEST(QuantumDecoder, RejectsBadArguments) {
  EXPECT_THROW(QuantumDecoder(9), fmt::Error);
  EXPECT_THROW(QuantumDecoder(22), fmt::Error);
  QuantumDecoder dec(10);
  std::vector<uint8_t> out(fmt::codecs::kQuantumFrameSize + 1);
  uint8_t in[4] = {};
  EXPECT_THROW(dec.decodeBlock(in, sizeof in, out.data(), out.size()), fmt::Error);
}

}  // namespace
