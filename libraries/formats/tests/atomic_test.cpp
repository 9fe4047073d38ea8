// AtomicFile: the temporary beside its target, put in place only by commit().
#include <gtest/gtest.h>

#include <filesystem>

#include "core/atomic_file.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

std::vector<std::string> names(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& it : fs::directory_iterator(dir)) out.push_back(it.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::string content(const std::string& path) {
  const auto d = testsupport::readFile(path);
  return std::string(d.begin(), d.end());
}

TEST(AtomicFile, CommitReplacesAndAbandonRemoves) {
  TempDir dir;
  testsupport::writeFile(dir / "t.txt", "before");
  {
    fmt::AtomicFile f(dir / "t.txt");
    f.file().write("abandoned", 9);
    EXPECT_TRUE(testsupport::fileExists(f.tempPath()));
    EXPECT_EQ(fs::path(f.tempPath()).parent_path(), fs::path(dir.path()));
    EXPECT_EQ(content(dir / "t.txt"), "before");  // untouched while writing
  }
  EXPECT_EQ(names(dir.path()), std::vector<std::string>{"t.txt"});
  EXPECT_EQ(content(dir / "t.txt"), "before");
  {
    fmt::AtomicFile f(dir / "t.txt");
    f.file().write("after", 5);
    f.commit();
  }
  EXPECT_EQ(content(dir / "t.txt"), "after");
  EXPECT_EQ(names(dir.path()), std::vector<std::string>{"t.txt"});
}

TEST(AtomicFile, NewTargetAndTwoWritersSideBySide) {
  TempDir dir;
  fmt::AtomicFile a(dir / "new.bin");
  fmt::AtomicFile b(dir / "new.bin");
  EXPECT_NE(a.tempPath(), b.tempPath());
  a.file().write("A", 1);
  b.file().write("BB", 2);
  EXPECT_FALSE(testsupport::fileExists(dir / "new.bin"));
  a.commit();
  b.commit();  // the last one wins, whole
  EXPECT_EQ(content(dir / "new.bin"), "BB");
  EXPECT_EQ(names(dir.path()), std::vector<std::string>{"new.bin"});
}

TEST(AtomicFile, FailuresLeaveNothingBehind) {
  TempDir dir;
  EXPECT_THROW(fmt::AtomicFile(dir / "no/such/folder/x"), fmt::Error);
  testsupport::writeFile(dir / "keep.txt", "original");
  {
    fmt::AtomicFile f(dir / "keep.txt");
    fmt::platform::failWritesAfter(3);
    EXPECT_THROW(f.file().write("too long", 8), fmt::Error);
    fmt::platform::failWritesAfter(-1);
  }
  EXPECT_EQ(content(dir / "keep.txt"), "original");
  EXPECT_EQ(names(dir.path()), std::vector<std::string>{"keep.txt"});
  {
    // The rename fails when a folder holds the target's name.
    fs::create_directory(dir / "folder");
    testsupport::writeFile(dir / "folder/inside", "x");
    fmt::AtomicFile f(dir / "folder");
    f.file().write("data", 4);
    EXPECT_THROW(f.commit(), fmt::Error);
  }
  EXPECT_EQ(names(dir.path()), (std::vector<std::string>{"folder", "keep.txt"}));
}

}  // namespace
