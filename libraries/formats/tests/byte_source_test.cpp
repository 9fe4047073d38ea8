// The archive byte sources: a file and memory give the same bytes for reads in
// any order (the file source skips the seek when a read continues the last
// one), short reads only at the end, and readExactAt's Truncated.
#include <gtest/gtest.h>

#include <memory>

#include "core/byte_source.h"
#include "base/error.h"
#include "test_support.h"

namespace {

TEST(ByteSource, FileAndMemoryAgreeInAnyOrder) {
  const auto data = testsupport::randomBytes(300000, 5);
  testsupport::TempDir dir;
  testsupport::writeFile(dir / "a", data);
  std::unique_ptr<fmt::ByteSource> sources[] = {fmt::fileByteSource(dir / "a"), fmt::memoryByteSource(data)};
  for (auto& src : sources) {
    ASSERT_EQ(src->size(), data.size());
    // Forward in order, back to the start, jumps both ways, and across the end.
    uint64_t pos = 0;
    uint32_t r = 1;
    for (int k = 0; k < 400; k++) {
      const size_t n = r % 9000;
      std::vector<uint8_t> got(n + 1, 0xAA);
      const size_t len = src->readAt(pos, got.data(), n);
      const size_t want = pos >= data.size() ? 0 : std::min<uint64_t>(n, data.size() - pos);
      ASSERT_EQ(len, want) << "read " << k << " at " << pos;
      EXPECT_TRUE(std::equal(got.begin(), got.begin() + static_cast<long>(len), data.begin() + static_cast<long>(pos)))
          << "read " << k << " at " << pos;
      EXPECT_EQ(got[len], 0xAA) << "wrote past what it returned";
      r = r * 1103515245u + 12345u;
      // Mostly continue where the read ended, sometimes jump anywhere, even past the end.
      pos = (r >> 8) % 4 ? pos + len : (r >> 4) % (data.size() + 20000);
      if (pos >= data.size() && (r & 1)) pos = 0;
    }
  }
}

TEST(ByteSource, ReadExactAtThrowsTruncatedAtTheEnd) {
  auto src = fmt::memoryByteSource(std::vector<uint8_t>(100, 7));
  uint8_t buf[40];
  fmt::readExactAt(*src, 60, buf, 40, "the tail");
  EXPECT_EQ(buf[39], 7);
  try {
    fmt::readExactAt(*src, 61, buf, 40, "the tail");
    FAIL() << "a read past the end was taken as whole";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Truncated);
    EXPECT_NE(std::string(e.what()).find("the tail"), std::string::npos) << e.what();
  }
  EXPECT_EQ(src->readAt(100, buf, 1), 0u);
  EXPECT_EQ(src->readAt(UINT64_MAX, buf, 1), 0u);
}

TEST(ByteSource, MissingFileThrowsIo) {
  testsupport::TempDir dir;
  try {
    fmt::fileByteSource(dir / "absent");
    FAIL() << "no error for a missing file";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Io);
  }
}

}  // namespace
