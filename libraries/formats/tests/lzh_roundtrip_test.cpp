// Archives written here must be read by lhasa and jlha, and archives written
// by jlha must be read here, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/names.h"
#include "lzh/lzh_update.h"
#include "lzh_test_helpers.h"
#include "platform/platform.h"
#include "lzh/lzh_reader.h"

using namespace lzhtest;
using testsupport::sh;

namespace {

struct Format {
  const char* method;
  int level;
};

class WrittenArchive : public ::testing::TestWithParam<Format> {
 protected:
  void SetUp() override {
    // A level-0 header holds at most 233 bytes of name.
    tree_ = sampleTree(GetParam().level != 0);
    writeTree(src_ / "", tree_);
    fmt::lzh::WriteOptions opts;
    opts.method = GetParam().method;
    opts.headerLevel = GetParam().level;
    fmt::lzh::createArchive(archive_, sourcesOf(src_.path()), opts);
  }
  // Compares what a tool extracted; `local` maps a stored name to its path there.
  void expectExtracted(const std::string& dir, bool sjisOnDisk, bool skip5C = false) {
    for (const auto& [name, data] : tree_) {
      if (name.back() == '/') continue;
      if (skip5C && fmt::platform::utf8ToSjis(name).find('\\') != std::string::npos) continue;
      std::string path = dir + "/" + (sjisOnDisk ? fmt::platform::utf8ToSjis(name) : name);
      ASSERT_TRUE(testsupport::fileExists(path)) << name;
      EXPECT_EQ(testsupport::readFile(path), data) << name;
    }
  }

  Tree tree_;
  testsupport::TempDir src_, out_;
  std::string archive_ = out_ / "out.lzh";
};

TEST_P(WrittenArchive, ReadBackHere) {
  auto r = fmt::openLzh(archive_);
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->warnings().empty());
  size_t files = 0;
  std::set<std::string> folders;
  for (size_t i = 0; i < r->entries().size(); ++i) {
    const fmt::Entry& e = r->entries()[i];
    std::string name = fmt::utf8Name(e, true);
    EXPECT_EQ(e.headerLevel, GetParam().level);
    if (e.isFolder()) {
      folders.insert(name);
      continue;
    }
    ASSERT_TRUE(tree_.count(name)) << name;
    ++files;
    EXPECT_EQ(decode(*r, i), tree_[name]) << name;
    // Incompressible and empty files are stored; the rest as asked.
    bool stored = e.method == "-lh0-";
    if (name == "noise.bin" || name == "empty.txt") EXPECT_TRUE(stored) << name;
    if (name == "blocks.txt") EXPECT_EQ(e.method, GetParam().method);
    if (!stored) EXPECT_LT(e.packedSize, e.size) << name;
  }
  EXPECT_EQ(files, static_cast<size_t>(std::count_if(tree_.begin(), tree_.end(),
                                                     [](const auto& kv) { return kv.first.back() != '/'; })));
  EXPECT_TRUE(folders.count("emptyfolder/"));
  EXPECT_TRUE(folders.count("ソース/能力/"));
}

TEST_P(WrittenArchive, ReadByLhasa) {
  if (!testsupport::haveTool("lhasa")) GTEST_SKIP() << "lhasa not installed";
  std::string listing;
  ASSERT_EQ(testsupport::run("lhasa t " + sh(archive_) + " 2>&1", &listing), 0) << listing;
  ASSERT_EQ(testsupport::run("cd " + sh(out_.path()) + " && lhasa xqw=x " + sh(archive_) + " 2>&1", &listing), 0)
      << listing;
  // lhasa writes names as the archive stores them: Shift-JIS bytes. In level
  // 0 and 1 headers it takes every 5C byte for a separator, trail bytes too.
  expectExtracted(out_ / "x", true, GetParam().level < 2);
}

TEST_P(WrittenArchive, ReadByJlha) {
  if (!testsupport::haveTool("jlha")) GTEST_SKIP() << "jlha not installed";
  std::string log;
  ASSERT_EQ(testsupport::run("mkdir -p " + sh(out_ / "j") + " && cd " + sh(out_ / "j") + " && " +
                                 env("jlha xq " + sh(archive_)) + " 2>&1",
                             &log),
            0)
      << log;
  // jlha turns Shift-JIS names into the locale's UTF-8.
  expectExtracted(out_ / "j", false);
}

INSTANTIATE_TEST_SUITE_P(Methods, WrittenArchive,
                         ::testing::Values(Format{"-lh0-", 2}, Format{"-lh5-", 2}, Format{"-lh6-", 2},
                                           Format{"-lh7-", 2}, Format{"-lh5-", 1}, Format{"-lh5-", 0}),
                         [](const auto& info) {
                           return std::string(info.param.method).substr(1, 3) + "_level" +
                                  std::to_string(info.param.level);
                         });

// jlha's own archives, every method and header level it writes.
class JlhaArchive : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(JlhaArchive, ReadHere) {
  if (!testsupport::haveTool("jlha")) GTEST_SKIP() << "jlha not installed";
  auto [method, level] = GetParam();
  testsupport::TempDir src, out;
  Tree tree;
  tree["a.txt"] = testsupport::textBytes(100000, 11);
  tree["表/ソ.bin"] = testsupport::randomBytes(5000, 12);
  tree["能/b.txt"] = testsupport::textBytes(70000, 13);
  tree["zero"] = {};
  writeTree(src.path(), tree);
  std::string archive = out / "j.lzh";
  std::string log;
  std::string cmd = "cd " + sh(src.path()) + " && " +
                    env("jlha c" + std::to_string(level) + "o" + std::to_string(method) + " " + sh(archive) +
                        " a.txt 表 能 zero") +
                    " 2>&1";
  ASSERT_EQ(testsupport::run(cmd, &log), 0) << log;
  auto r = fmt::openLzh(archive);
  ASSERT_TRUE(r);
  size_t files = 0;
  for (size_t i = 0; i < r->entries().size(); ++i) {
    const fmt::Entry& e = r->entries()[i];
    EXPECT_EQ(e.headerLevel, level);
    if (e.isFolder()) continue;
    std::string name = fmt::utf8Name(e);
    ASSERT_TRUE(tree.count(name)) << name;
    EXPECT_EQ(decode(*r, i), tree[name]) << name;
    if (name == "a.txt") EXPECT_EQ(e.method, "-lh" + std::to_string(method) + "-");
    ++files;
  }
  EXPECT_EQ(files, tree.size());
}

INSTANTIATE_TEST_SUITE_P(MethodsAndLevels, JlhaArchive,
                         ::testing::Combine(::testing::Values(5, 6, 7), ::testing::Values(0, 1, 2)),
                         [](const auto& info) {
                           return "lh" + std::to_string(std::get<0>(info.param)) + "_level" +
                                  std::to_string(std::get<1>(info.param));
                         });

}  // namespace
