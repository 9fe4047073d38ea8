// One member of 200 MB, written here and read back by lhasa, jlha and us: sizes
// past 2^27 and many thousand Huffman blocks in one stream.
#include <gtest/gtest.h>

#include "core/checksum.h"
#include "lzh/lzh_update.h"
#include "lzh_test_helpers.h"
#include "platform/platform.h"
#include "lzh/lzh_reader.h"

using namespace lzhtest;
using testsupport::sh;

namespace {

constexpr size_t kChunk = 1 << 20;
constexpr size_t kChunks = 200;

TEST(LzhLargeFile, TwoHundredMegabytesRoundTrip) {
  testsupport::TempDir dir;
  std::string file = dir / "big.bin";
  uint16_t crc = 0;
  {
    // Text with a stretch of noise in every tenth megabyte, as real files mix.
    auto out = fmt::platform::File::open(file, fmt::platform::File::CreateNew);
    for (size_t i = 0; i < kChunks; ++i) {
      auto chunk = i % 10 == 9 ? testsupport::randomBytes(kChunk, static_cast<uint32_t>(i))
                               : testsupport::textBytes(kChunk, static_cast<uint32_t>(i));
      crc = fmt::crc16Update(crc, chunk.data(), chunk.size());
      out->write(chunk.data(), chunk.size());
    }
    out->close();
  }
  std::string archive = dir / "big.lzh";
  fmt::lzh::createArchive(archive, fmt::collectSources({"big.bin"}, dir.path()), {});

  auto r = fmt::openLzh(archive);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 1u);
  const fmt::Entry& e = r->entries()[0];
  EXPECT_EQ(e.size, kChunk * kChunks);
  EXPECT_EQ(e.crc, crc);
  EXPECT_EQ(e.method, "-lh5-");
  fmt::NullOutStream sink;
  r->extract(0, sink);  // checks the CRC
  EXPECT_EQ(sink.count, kChunk * kChunks);
  r.reset();

  std::string log;
  if (testsupport::haveTool("lhasa")) {
    EXPECT_EQ(testsupport::run("lhasa pq " + sh(archive) + " big.bin | cmp - " + sh(file) + " 2>&1", &log), 0)
        << log;
  }
  if (testsupport::haveTool("jlha")) {
    EXPECT_EQ(testsupport::run("mkdir " + sh(dir / "j") + " && cd " + sh(dir / "j") + " && jlha xq " + sh(archive) +
                                   " >/dev/null 2>&1 && cmp big.bin " + sh(file) + " 2>&1",
                               &log),
              0)
        << log;
  }
}

}  // namespace
