// gzip members over zlib: headers, several members, check values, and gzip
// itself as the other side.
#include <gtest/gtest.h>

#include "codecs/deflate/gzip_decoder.h"
#include "codecs/deflate/gzip_encoder.h"
#include "base/error.h"
#include "test_support.h"

namespace {

using fmt::codecs::GzipHeader;
using testsupport::run;
using testsupport::sh;

std::vector<uint8_t> gz(const std::vector<uint8_t>& data, int level = 6, GzipHeader h = {}) {
  fmt::MemoryInStream in(data);
  fmt::MemoryOutStream out;
  fmt::codecs::gzipEncode(in, out, level, h);
  return out.data;
}

std::vector<uint8_t> gunzip(const std::vector<uint8_t>& z) {
  fmt::MemoryInStream in(z);
  fmt::MemoryOutStream out;
  fmt::codecs::gzipDecode(in, out);
  return out.data;
}

fmt::ErrorKind errorOf(const std::vector<uint8_t>& z) {
  try {
    gunzip(z);
  } catch (const fmt::Error& e) {
    return e.kind();
  }
  return fmt::ErrorKind::Usage;  // stands for "no error"
}

TEST(GzipCodec, RoundTripsLevelsAndKeepsTheName) {
  const auto data = testsupport::textBytes(300000, 1);
  for (int level : {1, 6, 9}) {
    GzipHeader h;
    h.hasName = true;
    h.name = "report.txt";
    h.mtime = 1234567890;
    const auto z = gz(data, level, h);
    fmt::MemoryInStream in(z);
    fmt::codecs::GzipInStream reader(in);
    EXPECT_EQ(reader.firstHeader().name, "report.txt");
    EXPECT_EQ(reader.firstHeader().mtime, 1234567890u);
    EXPECT_EQ(gunzip(z), data) << level;
  }
  EXPECT_THROW(gz(data, 0), fmt::Error);
}

TEST(GzipCodec, SeveralMembersReadAsOneStream) {
  const auto a = testsupport::textBytes(5000, 2), b = testsupport::randomBytes(7000, 3);
  auto z = gz(a);
  const auto zb = gz(b);
  z.insert(z.end(), zb.begin(), zb.end());
  auto expected = a;
  expected.insert(expected.end(), b.begin(), b.end());
  fmt::MemoryInStream in(z);
  fmt::codecs::GzipInStream reader(in);
  fmt::MemoryOutStream out;
  uint8_t buf[4096];
  for (size_t n; (n = reader.read(buf, sizeof buf)) > 0;) out.write(buf, n);
  EXPECT_EQ(out.data, expected);
  EXPECT_EQ(reader.members(), 2);
  EXPECT_FALSE(reader.trailingGarbage());
}

TEST(GzipCodec, GarbageAfterTheLastMemberIsNotedNotDecoded) {
  const auto data = testsupport::textBytes(1000, 4);
  auto z = gz(data);
  z.insert(z.end(), {'j', 'u', 'n', 'k'});
  fmt::MemoryInStream in(z);
  fmt::codecs::GzipInStream reader(in);
  std::vector<uint8_t> out(5000);
  EXPECT_EQ(reader.read(out.data(), out.size()), data.size());
  EXPECT_TRUE(reader.trailingGarbage());
}

TEST(GzipCodec, DamageIsReportedByKind) {
  const auto data = testsupport::textBytes(20000, 5);
  const auto z = gz(data);
  auto badCrc = z;
  badCrc[badCrc.size() - 8] ^= 1;
  EXPECT_EQ(errorOf(badCrc), fmt::ErrorKind::Checksum);
  auto badSize = z;
  badSize[badSize.size() - 1] ^= 1;
  EXPECT_EQ(errorOf(badSize), fmt::ErrorKind::Corrupt);
  EXPECT_EQ(errorOf(std::vector<uint8_t>(z.begin(), z.begin() + 100)), fmt::ErrorKind::Truncated);
  EXPECT_EQ(errorOf(std::vector<uint8_t>(z.begin(), z.end() - 3)), fmt::ErrorKind::Truncated);
  auto reserved = z;
  reserved[3] |= 0x80;
  EXPECT_EQ(errorOf(reserved), fmt::ErrorKind::Corrupt);
  EXPECT_EQ(errorOf({'P', 'K', 3, 4}), fmt::ErrorKind::Corrupt);
  // A name field without its terminating NUL before the data ends.
  std::vector<uint8_t> endless = {0x1F, 0x8B, 8, 0x08, 0, 0, 0, 0, 0, 3};
  endless.insert(endless.end(), 100, 'a');
  EXPECT_EQ(errorOf(endless), fmt::ErrorKind::Truncated);
}

class GzipOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::haveTool("gzip")) GTEST_SKIP() << "gzip is not installed";
  }
  testsupport::TempDir dir;
};

TEST_F(GzipOracle, BothWays) {
  const auto data = testsupport::textBytes(500000, 6);
  GzipHeader h;
  h.hasName = true;
  h.name = "inner.txt";
  testsupport::writeFile(dir / "ours.gz", gz(data, 9, h));
  std::string listing;
  ASSERT_EQ(run("gzip -t " + sh(dir / "ours.gz") + " && gzip -lN " + sh(dir / "ours.gz"), &listing), 0);
  EXPECT_NE(listing.find("inner.txt"), std::string::npos) << listing;
  ASSERT_EQ(run("gzip -dc " + sh(dir / "ours.gz") + " > " + sh(dir / "back")), 0);
  EXPECT_EQ(testsupport::readFile(dir / "back"), data);

  testsupport::writeFile(dir / "plain", data);
  ASSERT_EQ(run("gzip -9 -c " + sh(dir / "plain") + " > " + sh(dir / "theirs.gz")), 0);
  const auto theirs = testsupport::readFile(dir / "theirs.gz");
  EXPECT_EQ(gunzip(theirs), data);
  fmt::MemoryInStream in(theirs);
  fmt::codecs::GzipInStream reader(in);
  EXPECT_EQ(reader.firstHeader().name, "plain");
}

}  // namespace
