// Headers of historic writers, as small archives written out byte by byte:
// LHA for OS-9/68k (OS id 'K') and for OS-9 on the 6809 (OS id '9'), and the
// damaged headers that must still be refused beside them; LHARK's members,
// whose "-lh7-" is a scheme of its own.
#include <gtest/gtest.h>

#include "base/error.h"
#include "base/stream.h"
#include "codecs/lh/lh_encoder.h"
#include "core/byte_source.h"
#include "core/checksum.h"
#include "lzh/lzh_header.h"
#include "lzh/lzh_reader.h"
#include "test_support.h"

namespace lzh = fmt::lzh;

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

const std::string kData = "hello";
uint16_t dataCrc() { return fmt::crc16Update(0, kData.data(), kData.size()); }

// A level-2 member "a.txt" holding "hello" (stored, or as `data` of `method`):
// the size field says `stated`, the header itself is 34 bytes (26 fixed, one
// name header of 8).
Bytes level2(uint8_t os, uint16_t stated, const std::string& method = "-lh0-",
             const Bytes& data = Bytes(kData.begin(), kData.end())) {
  Bytes b;
  put16(b, stated);
  for (char c : method) b.push_back(static_cast<uint8_t>(c));
  put32(b, static_cast<uint32_t>(data.size())), put32(b, 5);
  put32(b, 1000000000);  // 2001-09-09 01:46:40 UTC
  b.push_back(0x20), b.push_back(2);
  put16(b, dataCrc());
  b.push_back(os);
  put16(b, 8);
  b.push_back(0x01);
  for (char c : std::string("a.txt")) b.push_back(static_cast<uint8_t>(c));
  put16(b, 0);
  b.insert(b.end(), data.begin(), data.end());
  b.push_back(0);  // end of archive
  return b;
}

// Levels 0 and 1: the header's size and checksum in its first two bytes.
void sealBasicHeader(Bytes& b) {
  b[0] = static_cast<uint8_t>(b.size() - 2);
  uint8_t sum = 0;
  for (size_t i = 2; i < b.size(); ++i) sum = static_cast<uint8_t>(sum + b[i]);
  b[1] = sum;
}

// A level-0 -lh0- member "a.txt" with `area` after the CRC (its OS id first).
Bytes level0(const Bytes& area) {
  Bytes b = {0, 0};
  for (char c : std::string("-lh0-")) b.push_back(static_cast<uint8_t>(c));
  put32(b, 5), put32(b, 5);
  put16(b, 0x6000), put16(b, 0x4A21);  // 2017-01-01 12:00:00, DOS stamp
  b.push_back(0x20), b.push_back(0);
  b.push_back(5);
  for (char c : std::string("a.txt")) b.push_back(static_cast<uint8_t>(c));
  put16(b, dataCrc());
  b.insert(b.end(), area.begin(), area.end());
  sealBasicHeader(b);
  b.insert(b.end(), kData.begin(), kData.end());
  b.push_back(0);
  return b;
}

// A level-1 member "a.txt" of `method` holding "hello" as `data`, OS id `os`,
// no extended headers.
Bytes level1(const std::string& method, const Bytes& data, uint8_t os) {
  Bytes b = {0, 0};
  for (char c : method) b.push_back(static_cast<uint8_t>(c));
  put32(b, static_cast<uint32_t>(data.size())), put32(b, 5);
  put16(b, 0x6000), put16(b, 0x4A21);
  b.push_back(0x20), b.push_back(1);
  b.push_back(5);
  for (char c : std::string("a.txt")) b.push_back(static_cast<uint8_t>(c));
  put16(b, dataCrc());
  b.push_back(os);
  put16(b, 0);  // no extended header
  sealBasicHeader(b);
  b.insert(b.end(), data.begin(), data.end());
  b.push_back(0);
  return b;
}

lzh::HeaderResult read(const Bytes& b, lzh::LzhHeader& h) {
  auto src = fmt::memoryByteSource(b);
  return lzh::readHeader(*src, 0, h);
}

std::string extractFirst(const Bytes& b) {
  auto reader = lzh::LzhReader::open(fmt::memoryByteSource(b));
  if (!reader) return "(not an archive)";
  EXPECT_EQ(reader->entries().size(), 1u);
  fmt::MemoryOutStream out;
  reader->extract(0, out);
  return std::string(out.data.begin(), out.data.end());
}

TEST(LzhHistoric, Os9_68kLevel2HeaderTwoBytesShort) {
  Bytes b = level2('K', 32);
  lzh::LzhHeader h;
  auto r = read(b, h);
  ASSERT_EQ(r.status, lzh::HeaderStatus::Ok) << r.problem;
  EXPECT_EQ(h.headerSize, 34u);
  EXPECT_EQ(h.entry.name, "a.txt");
  EXPECT_EQ(h.entry.osType, 'K');
  EXPECT_EQ(h.entry.mtime, 1000000000);
  EXPECT_EQ(extractFirst(b), kData);
  // The same writer's headers that count right stay as they are.
  EXPECT_EQ(extractFirst(level2('K', 34)), kData);
}

TEST(LzhHistoric, ShortLevel2HeaderRefusedUnlessTheChainSaysSo) {
  lzh::LzhHeader h;
  // Any other writer: a size that cuts the extended headers is damage.
  EXPECT_EQ(read(level2('U', 32), h).status, lzh::HeaderStatus::Bad);
  EXPECT_EQ(read(level2('M', 32), h).status, lzh::HeaderStatus::Bad);
  // Short by other than two: the chain does not end where the quirk puts it.
  EXPECT_EQ(read(level2('K', 31), h).status, lzh::HeaderStatus::Bad);
  EXPECT_EQ(read(level2('K', 30), h).status, lzh::HeaderStatus::Bad);
  // Two short, but the archive ends before the two bytes.
  Bytes cut = level2('K', 32);
  cut.resize(33);
  EXPECT_EQ(read(cut, h).status, lzh::HeaderStatus::Bad);
}

TEST(LzhHistoric, Os9_68kLevel0AreaWithTheTimeTwice) {
  // OS id, version, the time twice, mode, uid, gid.
  Bytes area = {'K', 0};
  put32(area, 1500000000), put32(area, 1500000000);
  put16(area, 0100640), put16(area, 7), put16(area, 8);
  lzh::LzhHeader h;
  ASSERT_EQ(read(level0(area), h).status, lzh::HeaderStatus::Ok);
  EXPECT_EQ(h.entry.osType, 'K');
  EXPECT_EQ(h.entry.mtime, 1500000000);
  EXPECT_TRUE(h.entry.hasUnixMode);
  EXPECT_EQ(h.entry.unixMode, 0100640);
  EXPECT_EQ(extractFirst(level0(area)), kData);

  // Copies that disagree are not this layout: the DOS stamp stands, no mode.
  Bytes odd = area;
  odd[6] ^= 1;
  ASSERT_EQ(read(level0(odd), h).status, lzh::HeaderStatus::Ok);
  EXPECT_FALSE(h.entry.hasUnixMode);
  EXPECT_EQ(h.entry.dosDate, 0x4A21);
  EXPECT_EQ(h.entry.dosTime, 0x6000);
  // Too short for it: the same.
  ASSERT_EQ(read(level0(Bytes(area.begin(), area.begin() + 12)), h).status, lzh::HeaderStatus::Ok);
  EXPECT_FALSE(h.entry.hasUnixMode);
}

TEST(LzhHistoric, Os9Level0AreaGivesThePermissions) {
  // OS-9 attributes: owner r w x in bits 0-2, everyone else in bits 3-5.
  struct Case {
    uint8_t attr;
    uint16_t mode;
  } cases[] = {{0x13, 0622}, {0x2B, 0655}, {0x0B, 0644}, {0x3F, 0777}, {0x04, 0100}, {0x00, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attr);
    lzh::LzhHeader h;
    ASSERT_EQ(read(level0({'9', c.attr, 0, 0, 0xC3, 0x16, 0}), h).status, lzh::HeaderStatus::Ok);
    EXPECT_EQ(h.entry.osType, '9');
    EXPECT_TRUE(h.entry.hasUnixMode);
    EXPECT_EQ(h.entry.unixMode, c.mode);
  }
  // The OS id alone: no permissions to give.
  lzh::LzhHeader h;
  ASSERT_EQ(read(level0({'9'}), h).status, lzh::HeaderStatus::Ok);
  EXPECT_FALSE(h.entry.hasUnixMode);
}

// LHARK's "-lh7-" shares its name with the standard one: a member is decoded as
// standard first, and only one of LHARK's profile (level 1, OS id 0x20) that
// fails so is refused as LHARK's, a scheme no description exists for; the
// same bytes from another writer stay damaged.
TEST(LzhHistoric, LharkMembersAreTriedAsStandardLh7First) {
  fmt::MemoryInStream in(kData.data(), kData.size());
  fmt::MemoryOutStream packed;
  fmt::codecs::encodeLh(in, kData.size(), packed, 7);
  EXPECT_EQ(extractFirst(level1("-lh7-", packed.data, 0x20)), kData);

  const Bytes garbage = testsupport::randomBytes(40, 3);
  auto failure = [&](uint8_t os, int level) {
    const Bytes b = level == 1 ? level1("-lh7-", garbage, os) : level2(os, 34, "-lh7-", garbage);
    try {
      extractFirst(b);
    } catch (const fmt::Error& e) {
      return std::make_pair(e.kind(), std::string(e.what()));
    }
    return std::make_pair(fmt::ErrorKind::Usage, std::string("(extracted)"));
  };
  const auto lhark = failure(0x20, 1);
  EXPECT_EQ(lhark.first, fmt::ErrorKind::Unsupported) << lhark.second;
  EXPECT_NE(lhark.second.find("LHARK"), std::string::npos) << lhark.second;
  EXPECT_NE(lhark.second.find("a.txt"), std::string::npos) << lhark.second;
  for (auto [os, level] : {std::pair<uint8_t, int>{'M', 1}, {0x20, 2}}) {
    const auto other = failure(os, level);
    SCOPED_TRACE(other.second);
    EXPECT_TRUE(other.first == fmt::ErrorKind::Corrupt || other.first == fmt::ErrorKind::Truncated ||
                other.first == fmt::ErrorKind::Checksum);
  }
}

}  // namespace
