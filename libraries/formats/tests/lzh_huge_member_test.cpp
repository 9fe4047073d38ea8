// The corpus member of 4.4 GiB (-lh5-, level 2 with 64-bit sizes): decoded in
// full to its CRC. Apart from the conformance run because it takes long.
#include <gtest/gtest.h>

#include "core/archive.h"
#include "test_support.h"
#include "lzh/lzh_reader.h"

namespace {

TEST(LzhHugeMember, DecodesPastFourGigabytes) {
  if (testsupport::testdata().empty()) GTEST_SKIP() << "no test data";
  auto r = fmt::openLzh(testsupport::testdata() + "/lzh/morphos_lha_2717/h2_huge.lzh");
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 1u);
  const fmt::Entry& e = r->entries()[0];
  ASSERT_EQ(e.size, 4718592000u);  // as the reference lists it
  fmt::NullOutStream sink;
  r->extract(0, sink);  // throws unless the CRC matches
  EXPECT_EQ(sink.count, e.size);
}

}  // namespace
