// LZX decoding of the corpus cabinets, checked against cabextract, and of
// damaged data, which must fail cleanly.
#include <gtest/gtest.h>

#include "codecs/lzx.h"
#include "core/error.h"
#include "lzx_test_cab.h"
#include "test_support.h"

namespace {

using fmt::codecs::LzxDecoder;
using testsupport::sh;

std::vector<uint8_t> decodeFolder(const lzxtest::Folder& folder) {
  LzxDecoder dec((folder.type >> 8) & 0x1F);
  std::vector<uint8_t> out;
  for (const lzxtest::Block& b : folder.blocks) {
    size_t at = out.size();
    out.resize(at + b.outSize);
    dec.decodeBlock(b.data.data(), b.data.size(), out.data() + at, b.outSize);
  }
  return out;
}

// Every file of the cabinet in LZX folders decodes as cabextract extracts it.
void expectLzxFilesMatchCabextract(const std::string& cabPath, int wantFiles) {
  if (!testsupport::haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  lzxtest::Cab cab = lzxtest::parseCab(testsupport::readFile(cabPath));
  std::vector<std::vector<uint8_t>> folders;
  for (const auto& f : cab.folders)
    folders.push_back((f.type & 0xF) == 3 ? decodeFolder(f) : std::vector<uint8_t>{});
  int checked = 0;
  for (const auto& file : cab.files) {
    if (file.folder >= cab.folders.size() || (cab.folders[file.folder].type & 0xF) != 3) continue;
    const auto& data = folders[file.folder];
    ASSERT_LE(uint64_t(file.offset) + file.size, data.size()) << file.name;
    std::string expected;
    ASSERT_EQ(testsupport::run("cabextract -q -p -F " + sh(file.name) + " " + sh(cabPath), &expected), 0);
    ASSERT_EQ(expected.size(), file.size) << file.name;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), data.begin() + file.offset,
                           [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }))
        << file.name;
    checked++;
  }
  EXPECT_EQ(checked, wantFiles);
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
    EXPECT_THROW(decodeFolder(cab.folders[0]), fmt::Error) << name;
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
