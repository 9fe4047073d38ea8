// Checks the LZX and Quantum tests share: a folder's frames through one of our
// frame decoders, and cabextract as the oracle, over the corpus cabinets and
// over the one-folder cabinets the tests make (lzx_test_cab.h).
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "lzx_test_cab.h"
#include "test_support.h"

namespace cabtest {

// A folder's typeCompress: method in bits 0-3, Quantum's level in 4-7 (it does
// not change the data format), window bits in 8-12.
constexpr int kQuantum = 2;
constexpr int kLzx = 3;
inline uint16_t lzxFolderType(int windowBits) { return static_cast<uint16_t>(kLzx | windowBits << 8); }
inline uint16_t quantumFolderType(int windowBits) { return static_cast<uint16_t>(kQuantum | 4 << 4 | windowBits << 8); }

// The frames in order through one fresh Decoder (LzxDecoder, QuantumDecoder).
template <typename Decoder>
std::vector<uint8_t> decodeBlocks(const std::vector<lzxtest::Block>& blocks, int windowBits) {
  Decoder dec(windowBits);
  std::vector<uint8_t> out;
  for (const lzxtest::Block& b : blocks) {
    const size_t at = out.size();
    out.resize(at + b.outSize);
    dec.decodeBlock(b.data.data(), b.data.size(), out.data() + at, b.outSize);
  }
  return out;
}

template <typename Decoder>
std::vector<uint8_t> decodeFolder(const lzxtest::Folder& folder) {
  return decodeBlocks<Decoder>(folder.blocks, (folder.type >> 8) & 0x1F);
}

// cabextract extracts exactly `want` from a one-folder cabinet of `blocks`.
inline void expectCabextractGives(const std::vector<lzxtest::Block>& blocks, uint16_t folderType,
                                  const std::vector<uint8_t>& want) {
  if (!testsupport::haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  testsupport::TempDir dir;
  testsupport::writeFile(dir / "t.cab", lzxtest::makeCab(blocks, folderType, "f"));
  std::string log;
  ASSERT_EQ(testsupport::run("cabextract -q -d " + testsupport::sh(dir / "x") + " " + testsupport::sh(dir / "t.cab") +
                                 " 2>&1",
                             &log),
            0)
      << log;
  EXPECT_TRUE(testsupport::readFile(dir / "x/f") == want) << "folder type " << folderType;
}

// Every file of the corpus cabinet in a folder of `method` decodes as cabextract
// extracts it, and there are `wantFiles` of them.
template <typename Decoder>
void expectFilesMatchCabextract(const std::string& cabPath, int method, int wantFiles) {
  if (!testsupport::haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  const lzxtest::Cab cab = lzxtest::parseCab(testsupport::readFile(cabPath));
  int checked = 0;
  for (size_t f = 0; f < cab.folders.size(); ++f) {
    if ((cab.folders[f].type & 0xF) != method) continue;
    const std::vector<uint8_t> data = decodeFolder<Decoder>(cab.folders[f]);
    for (const lzxtest::File& file : cab.files) {
      if (file.folder != f) continue;
      ASSERT_LE(uint64_t(file.offset) + file.size, data.size()) << file.name;
      std::string expected;
      ASSERT_EQ(testsupport::run("cabextract -q -p -F " + testsupport::sh(file.name) + " " + testsupport::sh(cabPath),
                                 &expected),
                0);
      ASSERT_EQ(expected.size(), file.size) << file.name;
      EXPECT_TRUE(std::equal(expected.begin(), expected.end(), data.begin() + file.offset,
                             [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }))
          << file.name;
      checked++;
    }
  }
  EXPECT_EQ(checked, wantFiles) << cabPath;
}

}  // namespace cabtest
