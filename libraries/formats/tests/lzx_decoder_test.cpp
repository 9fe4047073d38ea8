// LZX decoding of the corpus cabinets, checked against cabextract, and of
// damaged data, which must fail cleanly.
#include <gtest/gtest.h>

#include "codecs/lzx/lzx.h"
#include "base/error.h"
#include "cab_folder_checks.h"
#include "test_support.h"

namespace {

using fmt::codecs::LzxDecoder;

void expectLzxFilesMatchCabextract(const std::string& cabPath, int wantFiles) {
  cabtest::expectFilesMatchCabextract<LzxDecoder>(cabPath, cabtest::kLzx, wantFiles);
}

TEST(LzxDecoder, CorpusCabinetsMatchCabextract) {
  if (testsupport::testdata().empty()) GTEST_SKIP() << "SUITE_TESTDATA not set";
  const std::string dir = testsupport::testdata() + "/cab/valid/";
  expectLzxFilesMatchCabextract(dir + "mszip_lzx_qtm.cab", 1);
  expectLzxFilesMatchCabextract(dir + "normal_2files_2folders.cab", 2);
  expectLzxFilesMatchCabextract(dir + "mixed.cab", 1);
}

TEST(LzxDecoder, LargeFolderWithManyFramesMatchesCabextract) {
  if (testsupport::testdata().empty()) GTEST_SKIP() << "SUITE_TESTDATA not set";
  expectLzxFilesMatchCabextract(testsupport::testdata() + "/cab/valid/large-files-cab.cab", 1);
}

TEST(LzxDecoder, DamagedCorpusFoldersFailCleanly) {
  if (testsupport::testdata().empty()) GTEST_SKIP() << "SUITE_TESTDATA not set";
  for (const char* name : {"lzx-premature-matches.cab", "lzx-main-tree-no-lengths.cab"}) {
    lzxtest::Cab cab = lzxtest::parseCab(testsupport::readFile(testsupport::testdata() + "/cab/malformed/" + name));
    ASSERT_EQ(cab.folders.size(), 1u);
    EXPECT_THROW(cabtest::decodeFolder<LzxDecoder>(cab.folders[0]), fmt::Error) << name;
  }
}

TEST(LzxDecoder, RejectsBadArguments) {
  EXPECT_THROW(LzxDecoder(14), fmt::Error);
  EXPECT_THROW(LzxDecoder(22), fmt::Error);
  LzxDecoder dec(15);
  std::vector<uint8_t> out(fmt::codecs::kLzxFrameSize + 1);
  uint8_t in[4] = {};
  EXPECT_THROW(dec.decodeBlock(in, sizeof in, out.data(), out.size()), fmt::Error);
}

}  // namespace
