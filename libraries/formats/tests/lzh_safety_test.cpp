// Hostile and damaged archives: nothing lands outside the destination, links
// are not followed, damage gives a clear error, trailing junk a warning.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/extract.h"
#include "lzh/lzh_reader.h"
#include "lzh/lzh_update.h"
#include "lzh_test_helpers.h"

namespace fs = std::filesystem;
using namespace lzhtest;

namespace {

struct Recorder : fmt::ExtractObserver {
  void onEvent(const fmt::ExtractEvent& ev) override { events.push_back(ev); }
  std::vector<fmt::ExtractEvent> events;
};

std::string regression(const std::string& name) { return testsupport::testdata() + "/lzh/regression/" + name; }

TEST(LzhSafety, RegressionArchivesStayInsideTheDestination) {
  if (testsupport::testdata().empty()) GTEST_SKIP() << "no test data";
  const char* names[] = {"abspath.lzh", "badterm.lzh", "dir.lzh",      "dotdot.lzh",   "multiple.lzh",
                         "symlink1.lzh", "symlink2.lzh", "symlink3.lzh", "unixsep.lzh"};
  bool absExisted = fs::exists("/tmp/absolute_path.txt");
  for (const char* name : names) {
    SCOPED_TRACE(name);
    testsupport::TempDir root;
    std::string dest = root / "dest";
    auto r = fmt::openLzh(regression(name));
    ASSERT_TRUE(r);
    fmt::ExtractRequest req;
    req.destination = dest;
    req.overwrite = fmt::Overwrite::Always;
    Recorder rec;
    fmt::extractEntries(*r, req, rec);
    // Only the destination in its parent, and no link anywhere inside it.
    std::vector<std::string> top;
    for (auto& p : fs::directory_iterator(root.path())) top.push_back(p.path().filename().string());
    EXPECT_EQ(top, std::vector<std::string>{"dest"});
    for (auto& p : fs::recursive_directory_iterator(dest)) EXPECT_FALSE(p.is_symlink()) << p.path();
    for (const auto& ev : rec.events) {
      EXPECT_TRUE(ev.path.empty() || ev.path.rfind(dest, 0) == 0 || ev.path[0] != '/') << ev.path;
      if (ev.entry->kind == fmt::EntryKind::Symlink) EXPECT_EQ(ev.outcome, fmt::Outcome::SkippedUnsafe);
    }
  }
  if (!absExisted) EXPECT_FALSE(fs::exists("/tmp/absolute_path.txt"));
}

TEST(LzhSafety, LinksAreRecognised) {
  if (testsupport::testdata().empty()) GTEST_SKIP() << "no test data";
  auto r = fmt::openLzh(regression("symlink1.lzh"));
  ASSERT_TRUE(r);
  size_t links = 0;
  for (const auto& e : r->entries()) {
    if (e.kind != fmt::EntryKind::Symlink) continue;
    ++links;
    EXPECT_FALSE(e.linkTarget.empty()) << e.name;
  }
  EXPECT_GT(links, 0u);
}

TEST(LzhSafety, TruncatedArchiveGivesClearError) {
  if (testsupport::testdata().empty()) GTEST_SKIP() << "no test data";
  auto r = fmt::openLzh(regression("truncated.lzh"));
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->warnings().empty());  // the data runs past the end of the file
  fmt::NullOutStream sink;
  try {
    r->extract(0, sink);
    FAIL() << "no error";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Truncated) << e.what();
  }
}

// A small archive of our own to damage.
class Damaged : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::writeFile(src_ / "a.txt", testsupport::textBytes(20000, 1));
    testsupport::writeFile(src_ / "b.txt", testsupport::textBytes(20000, 2));
  }
  std::vector<uint8_t> make(int level) {
    fmt::lzh::WriteOptions o;
    o.headerLevel = level;
    fmt::lzh::createArchive(out_ / "t.lzh", sourcesOf(src_.path()), o);
    return testsupport::readFile(out_ / "t.lzh");
  }
  std::unique_ptr<fmt::lzh::LzhReader> open(std::vector<uint8_t> bytes) {
    return fmt::lzh::LzhReader::open(fmt::memoryByteSource(std::move(bytes)));
  }
  testsupport::TempDir src_, out_;
};

TEST_F(Damaged, JunkAfterTheLastMemberIsAWarning) {
  auto bytes = make(2);
  ASSERT_EQ(bytes.back(), 0);
  bytes.pop_back();  // no end mark, then junk
  for (char c : std::string("junk that is no header at all")) bytes.push_back(static_cast<uint8_t>(c));
  auto r = open(bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries().size(), 2u);
  EXPECT_EQ(r->warnings().size(), 1u);
  // After the end mark nothing more is read.
  bytes = make(2);
  bytes.insert(bytes.end(), 100, 0x1A);
  r = open(bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries().size(), 2u);
  EXPECT_TRUE(r->warnings().empty());
}

TEST_F(Damaged, HeaderChecksAreEnforced) {
  for (int level : {0, 1, 2}) {
    SCOPED_TRACE(level);
    auto bytes = make(level);
    auto r = open(bytes);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->entries().size(), 2u);
    // One bit of the second member's name: checksum (0, 1) or header CRC (2).
    size_t second = r->headers()[1].offset;
    size_t nameAt = second + (level == 2 ? r->headers()[1].headerSize - 8 : 22);
    bytes[nameAt] ^= 0x01;
    r = open(bytes);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->entries().size(), 1u);
    EXPECT_EQ(r->warnings().size(), 1u);
  }
}

TEST_F(Damaged, CorruptDataFailsTheCrc) {
  auto bytes = make(2);
  auto r = open(bytes);
  ASSERT_TRUE(r);
  const auto& h = r->headers()[0];
  bytes[h.dataOffset() + h.entry.packedSize / 2] ^= 0x10;
  r = open(bytes);
  fmt::NullOutStream sink;
  EXPECT_THROW(r->extract(0, sink), fmt::Error);
  EXPECT_NO_THROW(r->extract(1, sink));
}

// Names are stored in Shift-JIS, but the messages, like every text of the
// engines, are UTF-8: the libraries convert them back for their reports.
TEST_F(Damaged, MessagesNameTheEntryInUtf8) {
  testsupport::writeFile(src_ / "\xE8\xA1\xA8.txt", testsupport::textBytes(20000, 3));  // 表.txt
  auto bytes = make(1);
  auto r = open(bytes);
  ASSERT_TRUE(r);
  size_t at = 0;
  while (at < r->entries().size() && r->entries()[at].name != "\x95\x5C.txt") ++at;
  ASSERT_LT(at, r->entries().size());
  const auto h = r->headers()[at];
  std::vector<uint8_t> spoilt = bytes;
  spoilt[h.dataOffset() + h.entry.packedSize / 2] ^= 0x10;
  r = open(spoilt);
  fmt::NullOutStream sink;
  try {
    r->extract(at, sink);
    ADD_FAILURE() << "no CRC error";
  } catch (const fmt::Error& e) {
    EXPECT_NE(std::string(e.what()).find("\xE8\xA1\xA8.txt"), std::string::npos) << e.what();
  }
  bytes.resize(h.dataOffset() + h.entry.packedSize / 2);
  r = open(bytes);
  ASSERT_TRUE(r);
  ASSERT_FALSE(r->warnings().empty());
  EXPECT_NE(r->warnings().back().find("\xE8\xA1\xA8.txt"), std::string::npos) << r->warnings().back();
}

// A size field claiming far more than the data holds ends quickly in an error
// instead of decoding gigabytes of nothing.
TEST_F(Damaged, ClaimedSizeBeyondTheDataIsTruncation) {
  auto bytes = make(0);
  bytes[11] = bytes[12] = bytes[13] = bytes[14] = 0xFF;  // original size of the first member
  uint8_t sum = 0;
  for (size_t i = 2; i < bytes[0] + 2u; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
  bytes[1] = sum;
  auto r = open(bytes);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries()[0].size, 0xFFFFFFFFu);
  fmt::NullOutStream sink;
  try {
    r->extract(0, sink);
    FAIL() << "no error";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Truncated) << e.what();
  }
  EXPECT_LT(sink.count, 10000000u);
}

// An LZH file stored inside a tar or ZIP archive does not make that archive
// an LZH one; behind an unknown prefix it is found.
TEST_F(Damaged, ArchivesInsideOtherContainersAreNotClaimed) {
  auto lzh = make(2);
  std::vector<uint8_t> tar(512, 0);
  std::memcpy(tar.data() + 257, "ustar", 5);
  tar.insert(tar.end(), lzh.begin(), lzh.end());
  EXPECT_FALSE(open(tar));
  std::vector<uint8_t> zip = {'P', 'K', 3, 4};
  zip.resize(30, 0);
  zip.insert(zip.end(), lzh.begin(), lzh.end());
  EXPECT_FALSE(open(zip));
  std::vector<uint8_t> stub(700, 0xC3);
  stub.insert(stub.end(), lzh.begin(), lzh.end());
  auto r = open(stub);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries().size(), 2u);
  EXPECT_EQ(r->headers()[0].offset, 700u);
}

// A signed program carries its signature after the archive; a help text
// archive inside the stub must not be taken instead.
TEST_F(Damaged, ProgramWithDataAfterTheArchive) {
  auto lzh = make(2);
  testsupport::TempDir other;
  testsupport::writeFile(other / "help.txt", std::string("usage: run me"));
  fmt::lzh::createArchive(other / "help.lzh", sourcesOf(other.path()), {});
  auto help = testsupport::readFile(other / "help.lzh");
  std::vector<uint8_t> exe = {'M', 'Z'};
  exe.resize(2000, 0x90);
  exe.insert(exe.end(), help.begin(), help.end());
  exe.resize(exe.size() + 500, 0x90);
  size_t at = exe.size();
  exe.insert(exe.end(), lzh.begin(), lzh.end());
  auto r = open(exe);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->headers()[0].offset, at);
  exe.insert(exe.end(), 300, 0x5A);  // the signature
  r = open(exe);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries().size(), 2u);  // no archive reaches the end: the one ending last
  EXPECT_EQ(r->headers()[0].offset, at);
  EXPECT_TRUE(r->warnings().empty());
}

TEST_F(Damaged, NotAnArchive) {
  EXPECT_FALSE(open(testsupport::randomBytes(100000, 3)));
  EXPECT_FALSE(open({}));
  std::vector<uint8_t> one = {0};
  auto empty = open(one);
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->entries().empty());
}

}  // namespace
