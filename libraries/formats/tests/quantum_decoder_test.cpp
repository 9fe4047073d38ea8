// Quantum decoding of the corpus cabinets, checked against cabextract, and of
// damaged data, which must fail cleanly.
#include <gtest/gtest.h>

#include "codecs/quantum/quantum.h"
#include "base/error.h"
#include "cab_folder_checks.h"
#include "test_support.h"

namespace {

using fmt::codecs::QuantumDecoder;

void expectQuantumFilesMatchCabextract(const std::string& cabPath, int wantFiles) {
  cabtest::expectFilesMatchCabextract<QuantumDecoder>(cabPath, cabtest::kQuantum, wantFiles);
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
    EXPECT_THROW(cabtest::decodeFolder<QuantumDecoder>(cab.folders[0]), fmt::Error) << name;
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
