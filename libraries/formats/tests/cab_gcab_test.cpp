// Cabinets written by gcab, plain and MSZIP, read byte for byte by our reader.
#include <gtest/gtest.h>

#include "core/archive.h"
#include "core/names.h"
#include "base/stream.h"
#include "test_support.h"
#include "cab/cab_reader.h"

using namespace testsupport;

namespace {

TEST(CabFromGcab, PlainAndMszipReadByteForByte) {
  if (!haveTool("gcab")) GTEST_SKIP() << "gcab not installed";
  TempDir dir;
  struct File {
    std::string name;
    std::vector<uint8_t> data;
  };
  std::vector<File> files = {
      {"empty.txt", {}},
      {"text.txt", textBytes(200000, 1)},  // several frames
      {"random.bin", randomBytes(50000, 2)},
      {"sub/inner.txt", textBytes(33000, 3)},
  };
  std::string names;
  for (const File& f : files) {
    writeFile(dir / ("in/" + f.name), f.data);
    names += " " + sh(f.name);
  }
  for (const char* flag : {"", "-z"}) {
    SCOPED_TRACE(flag);
    std::string cab = dir / (std::string("gcab") + flag + ".cab");
    ASSERT_EQ(run("cd " + sh(dir / "in") + " && gcab -c " + flag + " " + sh(cab) + names + " >/dev/null 2>&1"), 0);
    auto r = fmt::openCab(cab);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->entries().size(), files.size());
    for (size_t i = 0; i < files.size(); i++) {
      EXPECT_EQ(fmt::utf8Name(r->entries()[i]), files[i].name);
      EXPECT_EQ(r->entries()[i].method, *flag ? "MSZIP" : "None");
      fmt::MemoryOutStream out;
      r->extract(i, out);
      EXPECT_EQ(out.data, files[i].data) << files[i].name;
    }
  }
}

}  // namespace
