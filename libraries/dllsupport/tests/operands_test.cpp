// Base folders, names matched against entries, and files collected for adding.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/error.h"
#include "operands.h"
#include "platform/platform.h"
#include "test_support.h"

using dllsupport::EntryMatcher;

namespace {

TEST(Operands, FolderOperandsByTheirLastWholeCharacter) {
  EXPECT_TRUE(dllsupport::looksLikeFolder("D:\\out\\"));
  EXPECT_TRUE(dllsupport::looksLikeFolder("D:"));
  EXPECT_TRUE(dllsupport::looksLikeFolder("書庫\\"));
  EXPECT_FALSE(dllsupport::looksLikeFolder("表"));   // ends in the trail byte 5C
  EXPECT_FALSE(dllsupport::looksLikeFolder("ソ"));
  EXPECT_TRUE(dllsupport::looksLikeFolder("ソ\\"));
  EXPECT_FALSE(dllsupport::looksLikeFolder("a.txt"));
}

TEST(Operands, TheDefaultExtensionGoesOnlyWhereTheLastComponentHasNone) {
  using dllsupport::withDefaultExtension;
  EXPECT_EQ(withDefaultExtension("C:\\a.b\\arc", ".zip"), "C:\\a.b\\arc.zip") << "a dot in a folder is no extension";
  EXPECT_EQ(withDefaultExtension("arc.lzh", ".zip"), "arc.lzh");
  EXPECT_EQ(withDefaultExtension("D:arc", ".cab"), "D:arc.cab");
  // 表 is 95 5C: its trail byte starts no component, so "a.b表" has an extension.
  EXPECT_EQ(withDefaultExtension("a.b\x95\x5C", ".zip"), "a.b\x95\x5C");
  EXPECT_EQ(withDefaultExtension("x.y\\\x95\x5C", ".zip"), "x.y\\\x95\x5C.zip");
}

TEST(EntryMatching, WholePathsLeavesFoldersAndTrailBytes) {
  EntryMatcher leaf({"b.txt"}, false, false);
  EXPECT_TRUE(leaf.matches("ソ/b.txt"));
  EXPECT_TRUE(leaf.matches("B.TXT"));
  EntryMatcher whole({"ソ\\b.txt"}, true, false);
  EXPECT_TRUE(whole.matches("ソ/b.txt"));
  EXPECT_FALSE(whole.matches("b.txt"));
  EXPECT_FALSE(EntryMatcher({"b.txt"}, true, false).matches("ソ/b.txt"));
  // 表 ends in 5C: it is not "表" followed by a separator.
  EXPECT_TRUE(EntryMatcher({"表"}, true, false).matches("表"));
  EXPECT_FALSE(EntryMatcher({"表"}, true, false).matches("表/x"));
  // A folder as reported ("dir\sub/") given back.
  EXPECT_TRUE(EntryMatcher({"dir\\表/"}, true, false).matches("dir/表"));
  EXPECT_TRUE(EntryMatcher({"*.*"}, true, false).matchesAll());
  EXPECT_TRUE(EntryMatcher({}, true, false).matches("anything/at/all"));
  EXPECT_EQ(EntryMatcher({"x", "*.txt"}, false, false).whichMatches("d/a.txt"), 1);
  EXPECT_EQ(EntryMatcher({"x", "*.txt"}, false, false).whichMatches("a.doc"), -1);
  EXPECT_FALSE(EntryMatcher({"A.txt"}, true, true).matches("a.txt"));
  EXPECT_TRUE(EntryMatcher({"a.txt"}, true, true).matches("a.txt"));
}

class Collect : public ::testing::Test {
 protected:
  void SetUp() override {
    base = fmt::platform::sjisToUtf8(dir.path());
    for (const char* f : {"a.txt", "b.doc", "表\\c.txt", "表\\深\\d.txt"}) {
      const std::string p = base + "/" + fmt::platform::sjisToUtf8(f);
      fmt::platform::makeFolders(p.substr(0, p.find_last_of("/\\")));
      auto file = fmt::platform::File::open(p, fmt::platform::File::Truncate);
      file->write("x", 1);
      file->close();
    }
  }
  std::vector<std::string> names(const std::vector<std::string>& ops, dllsupport::SourceOptions o) {
    std::vector<std::string> out;
    for (const auto& it : dllsupport::collectOperands(ops, base, o, nullptr)) out.push_back(fmt::platform::utf8ToSjis(it.name));
    std::sort(out.begin(), out.end());
    return out;
  }
  testsupport::TempDir dir;
  std::string base;
};

TEST_F(Collect, WildcardsFoldersRecursionAndFolderNames) {
  dllsupport::SourceOptions flat;
  EXPECT_EQ(names({"*.*"}, flat), (std::vector<std::string>{"a.txt", "b.doc"}));
  EXPECT_EQ(names({"表"}, flat), (std::vector<std::string>{"c.txt"}));
  dllsupport::SourceOptions tree;
  tree.recurse = tree.keepFolders = true;
  EXPECT_EQ(names({"*.txt"}, tree), (std::vector<std::string>{"a.txt", "表/c.txt", "表/深/d.txt"}));
  EXPECT_EQ(names({"表"}, tree), (std::vector<std::string>{"表", "表/c.txt", "表/深", "表/深/d.txt"}));
  dllsupport::SourceOptions leaves;
  leaves.recurse = true;
  EXPECT_EQ(names({"*.txt"}, leaves), (std::vector<std::string>{"a.txt", "c.txt", "d.txt"}));
  EXPECT_THROW(names({"missing.txt"}, flat), fmt::Error);
  EXPECT_TRUE(names({"*.none"}, flat).empty());
}

}  // namespace
