// Collecting the files to archive from command-line operands.
#include <gtest/gtest.h>
#include <unistd.h>

#include "core/entry.h"
#include "base/error.h"
#include "core/sources.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

using testsupport::TempDir;

std::vector<std::string> names(const std::vector<fmt::SourceItem>& items) {
  std::vector<std::string> out;
  for (const auto& i : items) out.push_back(i.name + (i.isFolder ? "/" : ""));
  return out;
}

TEST(Sources, FoldersRecursivelyInNameOrderWithTheirMetadata) {
  TempDir dir;
  testsupport::writeFile(dir / "top/b.txt", "bbb");
  testsupport::writeFile(dir / "top/a/z.bin", "zz");
  testsupport::writeFile(dir / "top/a/y.bin", "");
  testsupport::writeFile(dir / "single.txt", "12345");
  fmt::platform::setMtime(dir / "single.txt", 1600000000);
  fmt::platform::setAttributes(dir / "single.txt", fmt::kAttrReadOnly);
  const auto items = fmt::collectSources({"top", "single.txt"}, dir.path());
  EXPECT_EQ(names(items), (std::vector<std::string>{"top/", "top/a/", "top/a/y.bin", "top/a/z.bin", "top/b.txt", "single.txt"}));
  const auto& single = items.back();
  EXPECT_EQ(single.diskPath, dir / "single.txt");
  EXPECT_EQ(single.size, 5u);
  EXPECT_EQ(single.mtime, 1600000000);
  EXPECT_NE(single.attributes & fmt::kAttrReadOnly, 0u);
  EXPECT_TRUE(items[0].isFolder);
  EXPECT_NE(items[0].attributes & fmt::kAttrFolder, 0u);
  EXPECT_EQ(items[0].size, 0u);
}

TEST(Sources, StoredNamesAreRelativeAndClean) {
  TempDir dir;
  testsupport::writeFile(dir / "w/x/f.txt", "f");
  auto items = fmt::collectSources({"./w/x/", "w\\x\\f.txt", "w/./x/../x/f.txt"}, dir.path());
  // The same file reached three ways is stored once.
  EXPECT_EQ(names(items), (std::vector<std::string>{"w/x/", "w/x/f.txt"}));
  items = fmt::collectSources({dir / "w/x/f.txt"}, "/elsewhere");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].diskPath, dir / "w/x/f.txt");
  EXPECT_EQ(items[0].name, (dir / "w/x/f.txt").substr(1));  // the root is not stored
  // "." stands for the base folder's contents, not a folder item of its own.
  EXPECT_EQ(names(fmt::collectSources({"."}, dir / "w")), (std::vector<std::string>{"x/", "x/f.txt"}));
}

TEST(Sources, LinksAreLeftOutAndMissingOperandsFail) {
  TempDir dir;
  testsupport::writeFile(dir / "d/real.txt", "r");
  ASSERT_EQ(symlink("real.txt", (dir / "d/link.txt").c_str()), 0);
  ASSERT_EQ(symlink("/", (dir / "d/root").c_str()), 0);
  std::vector<std::string> skipped;
  EXPECT_EQ(names(fmt::collectSources({"d"}, dir.path(), &skipped)), (std::vector<std::string>{"d/", "d/real.txt"}));
  EXPECT_EQ(skipped, (std::vector<std::string>{dir / "d/link.txt", dir / "d/root"}));
  try {
    fmt::collectSources({"d", "nothing"}, dir.path());
    ADD_FAILURE() << "a missing operand was accepted";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Io);
    EXPECT_NE(std::string(e.what()).find("nothing"), std::string::npos);
  }
}

}  // namespace
