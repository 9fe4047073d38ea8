// Reports in the caller's buffer: NUL-terminated, cut at a whole character,
// never written past the size given.
#include <gtest/gtest.h>

#include <cstring>

#include "report.h"
#include "sjis_path.h"

namespace {

TEST(Report, CutAtAWholeCharacterWithinTheBuffer) {
  dllsupport::Report r;
  r.file("展開しました", "表ソ.txt");
  const std::string full = r.text();
  ASSERT_EQ(full.substr(full.size() - 2), "\r\n");
  for (size_t size = 1; size <= full.size() + 2; ++size) {
    std::vector<char> buf(size + 8, '#');
    r.writeTo(buf.data(), size);
    const size_t len = std::strlen(buf.data());
    ASSERT_LT(len, size);
    EXPECT_EQ(std::string(buf.data(), len), dllsupport::cutAtCharacter(full, size - 1));
    EXPECT_EQ(full.compare(0, len, buf.data(), len), 0);
    for (size_t i = size; i < buf.size(); ++i) ASSERT_EQ(buf[i], '#') << "written past the size at " << i;
  }
  // Never half of 表 (95 5C) or ソ (83 5C).
  EXPECT_EQ(dllsupport::cutAtCharacter("表ソ", 3), "表");
  EXPECT_EQ(dllsupport::cutAtCharacter("表ソ", 1), "");
  r.writeTo(nullptr, 10);  // nothing to write into is not an error
}

TEST(Report, LimitStopsGrowthAndRawTextIsKeptAsIs) {
  dllsupport::Report r;
  r.setLimit(8);
  r.raw(std::string("ab\0cd\n", 6));
  EXPECT_EQ(r.text(), std::string("ab\0cd\n", 6));
  r.raw("0123456789");
  EXPECT_EQ(r.text().size(), 8u);
  EXPECT_TRUE(r.full());
  r.line("more");
  EXPECT_EQ(r.text().size(), 8u);
}

}  // namespace
