// Archive operations: add with its replace/update/freshen variants, delete,
// rename; members not touched are carried over byte for byte, and a rewrite
// that fails or is cancelled leaves the original exactly as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/extract.h"
#include "core/names.h"
#include "lzh/lzh_reader.h"
#include "lzh/lzh_update.h"
#include "lzh_test_helpers.h"
#include "platform/platform.h"

using namespace lzhtest;
namespace lzh = fmt::lzh;

namespace {

class LzhUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    put("a.txt", testsupport::textBytes(40000, 1), 1000000000);
    put("b.txt", testsupport::textBytes(30000, 2), 1000000000);
    lzh::createArchive(archive_, fmt::collectSources({"a.txt", "b.txt"}, src_.path()), {});
  }
  void put(const std::string& name, const std::vector<uint8_t>& data, int64_t mtime) {
    testsupport::writeFile(src_ / name, data);
    fmt::platform::setMtime(src_ / name, mtime);
    files_[name] = data;
  }
  std::vector<fmt::SourceItem> items(const std::vector<std::string>& names) {
    return fmt::collectSources(names, src_.path());
  }
  // name -> decoded contents, in archive order.
  std::vector<std::pair<std::string, std::vector<uint8_t>>> contents() {
    auto r = fmt::openLzh(archive_);
    EXPECT_TRUE(r);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
    for (size_t i = 0; r && i < r->entries().size(); ++i) out.emplace_back(fmt::utf8Name(r->entries()[i]), decode(*r, i));
    return out;
  }
  // The stored bytes (header and data) of the member called `name`.
  std::vector<uint8_t> rawMember(const std::string& name) {
    auto r = lzh::LzhReader::open(fmt::fileByteSource(archive_));
    for (size_t i = 0; i < r->entries().size(); ++i) {
      if (fmt::utf8Name(r->entries()[i]) != name) continue;
      fmt::MemoryOutStream out;
      r->copyRaw(i, out);
      return out.data;
    }
    return {};
  }

  testsupport::TempDir src_, dir_;
  std::string archive_ = dir_ / "t.lzh";
  std::map<std::string, std::vector<uint8_t>> files_;
};

TEST_F(LzhUpdate, ReplaceAddsAndReplacesKeepingOthersAsStored) {
  auto bBefore = rawMember("b.txt");
  put("a.txt", testsupport::textBytes(5000, 7), 1000000000);  // same stamp: replaced anyway
  put("c.txt", testsupport::textBytes(100, 8), 1000000000);
  auto rep = lzh::addToArchive(archive_, items({"a.txt", "c.txt"}), lzh::AddMode::Replace, {});
  EXPECT_EQ(rep.replaced, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(rep.added, std::vector<std::string>{"c.txt"});
  auto got = contents();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], std::make_pair(std::string("a.txt"), files_["a.txt"]));
  EXPECT_EQ(got[1], std::make_pair(std::string("b.txt"), files_["b.txt"]));
  EXPECT_EQ(got[2], std::make_pair(std::string("c.txt"), files_["c.txt"]));
  EXPECT_EQ(rawMember("b.txt"), bBefore);
}

TEST_F(LzhUpdate, UpdateReplacesOnlyWithNewerFiles) {
  put("a.txt", testsupport::textBytes(100, 3), 1000000100);  // newer
  put("b.txt", testsupport::textBytes(100, 4), 999999000);   // older
  put("c.txt", testsupport::textBytes(100, 5), 900000000);   // new member
  auto rep = lzh::addToArchive(archive_, items({"a.txt", "b.txt", "c.txt"}), lzh::AddMode::Update, {});
  EXPECT_EQ(rep.replaced, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(rep.skipped, std::vector<std::string>{"b.txt"});
  EXPECT_EQ(rep.added, std::vector<std::string>{"c.txt"});
  auto got = contents();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].second, files_["a.txt"]);
  EXPECT_NE(got[1].second, files_["b.txt"]);  // the archived one stayed
  EXPECT_EQ(got[2].second, files_["c.txt"]);
}

TEST_F(LzhUpdate, FreshenAddsNothingNew) {
  put("a.txt", testsupport::textBytes(100, 3), 1000000100);
  put("c.txt", testsupport::textBytes(100, 5), 1000000100);
  auto rep = lzh::addToArchive(archive_, items({"a.txt", "c.txt"}), lzh::AddMode::Freshen, {});
  EXPECT_EQ(rep.replaced, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(rep.skipped, std::vector<std::string>{"c.txt"});
  EXPECT_EQ(contents().size(), 2u);
}

TEST_F(LzhUpdate, NamesMatchWithoutAsciiCase) {
  put("A.TXT", testsupport::textBytes(10, 3), 1000000000);
  lzh::addToArchive(archive_, items({"A.TXT"}), lzh::AddMode::Replace, {});
  auto got = contents();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].first, "A.TXT");
}

TEST_F(LzhUpdate, DeleteAndRename) {
  auto aData = rawMember("a.txt");
  lzh::deleteFromArchive(archive_, {1});
  auto got = contents();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].first, "a.txt");

  lzh::renameInArchive(archive_, 0, "新/表ソ.txt");
  got = contents();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].first, "新/表ソ.txt");
  EXPECT_EQ(got[0].second, files_["a.txt"]);
  // The compressed data is carried over, not recompressed.
  auto renamed = rawMember("新/表ソ.txt");
  auto r = fmt::openLzh(archive_);
  uint64_t packed = r->entries()[0].packedSize;
  ASSERT_GE(renamed.size(), packed);
  EXPECT_TRUE(std::equal(renamed.end() - packed, renamed.end(), aData.end() - packed));
}

TEST_F(LzhUpdate, ProgramBeforeTheArchiveIsKept) {
  std::vector<uint8_t> sfx = {'M', 'Z'};
  sfx.resize(3000, 0x90);
  auto arc = testsupport::readFile(archive_);
  sfx.insert(sfx.end(), arc.begin(), arc.end());
  testsupport::writeFile(archive_, sfx);
  lzh::deleteFromArchive(archive_, {0});
  auto after = testsupport::readFile(archive_);
  ASSERT_GT(after.size(), 3000u);
  EXPECT_TRUE(std::equal(after.begin(), after.begin() + 3000, sfx.begin()));
  auto got = contents();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].first, "b.txt");
}

TEST_F(LzhUpdate, TestReportsDamage) {
  fmt::ExtractObserver quiet;
  EXPECT_TRUE(lzh::testArchive(archive_, quiet).ok());
  auto bytes = testsupport::readFile(archive_);
  auto r = lzh::LzhReader::open(fmt::memoryByteSource(bytes));
  const auto& h = r->headers()[1];
  bytes[h.dataOffset() + 10] ^= 0x55;
  testsupport::writeFile(archive_, bytes);
  auto summary = lzh::testArchive(archive_, quiet);
  EXPECT_EQ(summary.failed, 1u);
  EXPECT_EQ(summary.done, 1u);
}

TEST_F(LzhUpdate, NonArchiveIsRefused) {
  testsupport::writeFile(archive_, std::string("plain text, not an archive"));
  try {
    lzh::deleteFromArchive(archive_, {0});
    FAIL() << "no error";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Usage);
  }
}

// Every operation, made to fail after a growing number of written bytes and
// cancelled part way: the archive stays as it was and its folder holds nothing new.
TEST_F(LzhUpdate, FailedOrCancelledRewriteLeavesOriginal) {
  put("c.txt", testsupport::textBytes(50000, 9), 1000000500);
  const auto original = testsupport::readFile(archive_);
  const auto listing = fmt::platform::listFolder(dir_.path());
  struct Op {
    const char* what;
    std::function<void()> run;
  };
  std::vector<Op> ops = {
      {"add", [&] { lzh::addToArchive(archive_, items({"c.txt"}), lzh::AddMode::Replace, {}); }},
      {"delete", [&] { lzh::deleteFromArchive(archive_, {0}); }},
      {"rename", [&] { lzh::renameInArchive(archive_, 1, "renamed.txt"); }},
  };
  for (const auto& op : ops) {
    int failures = 0;
    for (int64_t after : {0, 1, 20, 100, 1000, 5000, 20000, 30000, 40000, 60000}) {
      SCOPED_TRACE(std::string(op.what) + " failing after " + std::to_string(after));
      fmt::platform::failWritesAfter(after);
      bool threw = false;
      try {
        op.run();
      } catch (const fmt::Error&) {
        threw = true;
      }
      fmt::platform::failWritesAfter(-1);
      if (!threw) break;  // the whole rewrite fits in `after` bytes: it succeeded
      ++failures;
      EXPECT_EQ(testsupport::readFile(archive_), original);
      EXPECT_EQ(fmt::platform::listFolder(dir_.path()), listing);
    }
    EXPECT_GE(failures, 5) << op.what;
    // Put the original back for the next operation if the last one succeeded.
    testsupport::writeFile(archive_, original);
  }

  bool cancelled = false;
  try {
    lzh::addToArchive(archive_, items({"c.txt"}), lzh::AddMode::Replace, {},
                      [](const std::string&, uint64_t done, uint64_t) { return done == 0; });
  } catch (const fmt::Error& e) {
    cancelled = e.kind() == fmt::ErrorKind::Cancelled;
  }
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(testsupport::readFile(archive_), original);
  EXPECT_EQ(fmt::platform::listFolder(dir_.path()), listing);
}

}  // namespace
