#include "core/checksum.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

// Bit at a time, straight from the polynomials: the reference the tables must agree with.
uint16_t crc16Bits(const uint8_t* p, size_t n, uint16_t crc = 0) {
  while (n--) {
    crc ^= *p++;
    for (int k = 0; k < 8; k++) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
  }
  return crc;
}
uint32_t crc32Bits(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  while (n--) {
    crc ^= *p++;
    for (int k = 0; k < 8; k++) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

TEST(Checksum, CheckValuesOfTheStandardString) {
  const char* s = "123456789";
  EXPECT_EQ(fmt::crc16Update(0, s, 9), 0xBB3D);  // CRC-16 as LHA uses it
  EXPECT_EQ(fmt::crc32Update(0, s, 9), 0xCBF43926u);
  EXPECT_EQ(fmt::crc16Update(0, s, 0), 0);
}

TEST(Checksum, TablesAgreeWithTheBitwiseDefinitionInAnyPieces) {
  auto data = testsupport::randomBytes(10007, 42);
  for (size_t len : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 1000u, 10007u}) {
    EXPECT_EQ(fmt::crc16Update(0, data.data(), len), crc16Bits(data.data(), len)) << len;
    EXPECT_EQ(fmt::crc32Update(0, data.data(), len), crc32Bits(data.data(), len)) << len;
  }
  // Continuing a check value over odd-sized pieces gives the one-piece value.
  uint16_t c16 = 0;
  uint32_t c32 = 0;
  size_t at = 0;
  for (size_t piece = 1; at < data.size(); piece = piece * 3 % 37 + 1) {
    size_t n = std::min(piece, data.size() - at);
    c16 = fmt::crc16Update(c16, data.data() + at, n);
    c32 = fmt::crc32Update(c32, data.data() + at, n);
    at += n;
  }
  EXPECT_EQ(c16, crc16Bits(data.data(), data.size()));
  EXPECT_EQ(c32, crc32Bits(data.data(), data.size()));
}

}  // namespace
