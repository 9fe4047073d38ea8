// ZIP archives through the extraction policy: Shift-JIS names land under their
// characters, hostile names stay inside the destination, and an entry the reader
// refuses does not stop the others.
#include <gtest/gtest.h>

#include "core/extract.h"
#include "test_support.h"
#include "zip_test_writer.h"

namespace {

using ziptest::bytesOf;
using ziptest::CraftEntry;

struct Recorder : fmt::ExtractObserver {
  std::vector<fmt::ExtractEvent> events;
  void onEvent(const fmt::ExtractEvent& ev) override { events.push_back(ev); }
  const fmt::ExtractEvent* find(const std::string& name) const {
    for (const auto& ev : events)
      if (ev.entry && ev.entry->name == name) return &ev;
    return nullptr;
  }
};

CraftEntry entry(const std::string& name, const std::string& data, uint16_t method = 8) {
  CraftEntry e;
  e.name = name;
  e.data = bytesOf(data);
  e.method = method;
  return e;
}

struct Extracted {
  testsupport::TempDir tmp;
  std::unique_ptr<fmt::ArchiveReader> reader;  // the events point into its entries
  Recorder rec;
  fmt::ExtractSummary summary;
  std::string out() const { return tmp / "out"; }
  explicit Extracted(const std::vector<CraftEntry>& entries) {
    testsupport::writeFile(tmp / "a.zip", ziptest::craftZip(entries));
    reader = fmt::openArchive(tmp / "a.zip");
    if (!reader) {
      ADD_FAILURE() << "not opened as an archive";
      return;
    }
    EXPECT_STREQ(reader->formatName(), "ZIP");
    fmt::ExtractRequest req;
    req.destination = out();
    req.overwrite = fmt::Overwrite::Always;
    summary = fmt::extractEntries(*reader, req, rec);
  }
};

TEST(ZipExtract, ShiftJisNamesWithTrailByte5C) {
  // 表/ソ.txt and 能力.txt: 95 5C, 83 5C and 94 5C carry a backslash as trail byte.
  Extracted x({entry("\x95\x5C/\x83\x5C.txt", "hyou so"), entry("\x94\x5C\x97\xCD.txt", "nouryoku")});
  EXPECT_TRUE(x.summary.ok());
  EXPECT_EQ(testsupport::readFile(x.out() + "/\xE8\xA1\xA8/\xE3\x82\xBD.txt"), bytesOf("hyou so"));
  EXPECT_EQ(testsupport::readFile(x.out() + "/\xE8\x83\xBD\xE5\x8A\x9B.txt"), bytesOf("nouryoku"));
}

TEST(ZipExtract, HostileNamesAreConfinedAndReported) {
  Extracted x({entry("../escape.txt", "up"), entry("/etc/abs.txt", "root"), entry("C:\\win\\drive.txt", "drive"),
               entry("a/../../b/deep.txt", "deep")});
  EXPECT_TRUE(x.summary.ok());
  EXPECT_FALSE(testsupport::fileExists(x.tmp / "escape.txt"));
  EXPECT_FALSE(testsupport::fileExists(x.tmp / "b/deep.txt"));
  for (const char* name : {"../escape.txt", "/etc/abs.txt", "C:\\win\\drive.txt", "a/../../b/deep.txt"}) {
    const fmt::ExtractEvent* ev = x.rec.find(name);
    ASSERT_TRUE(ev) << name;
    EXPECT_TRUE(ev->fixes.any()) << name;
    ASSERT_FALSE(ev->path.empty()) << name;
    EXPECT_EQ(ev->path.rfind(x.out() + "/", 0), 0u) << ev->path;
    EXPECT_TRUE(testsupport::fileExists(ev->path)) << ev->path;
  }
  EXPECT_EQ(testsupport::readFile(x.rec.find("C:\\win\\drive.txt")->path), bytesOf("drive"));
}

TEST(ZipExtract, RefusedEntryBesideGoodOnes) {
  CraftEntry aes = entry("secret.bin", "aes data");
  aes.method = 99;
  aes.flags = 1;
  aes.packed = testsupport::randomBytes(64, 1);
  aes.centralExtra = ziptest::extraField(0x9901, {2, 0, 'A', 'E', 3, 8, 0});
  CraftEntry badCrc = entry("bad.txt", "will not match");
  badCrc.crc = 1;
  Extracted x({entry("before.txt", "first"), aes, badCrc, entry("after.txt", "last")});
  EXPECT_EQ(x.summary.failed, 2u);
  EXPECT_EQ(x.summary.done, 2u);
  EXPECT_EQ(testsupport::readFile(x.out() + "/before.txt"), bytesOf("first"));
  EXPECT_EQ(testsupport::readFile(x.out() + "/after.txt"), bytesOf("last"));
  const fmt::ExtractEvent* ev = x.rec.find("secret.bin");
  ASSERT_TRUE(ev);
  EXPECT_EQ(ev->outcome, fmt::Outcome::Failed);
  EXPECT_EQ(ev->errorKind, fmt::ErrorKind::Password) << "AES is read, but nobody gave a password";
  EXPECT_FALSE(testsupport::fileExists(x.out() + "/secret.bin"));
  // A CRC error leaves no file behind.
  ev = x.rec.find("bad.txt");
  ASSERT_TRUE(ev);
  EXPECT_EQ(ev->errorKind, fmt::ErrorKind::Checksum);
  EXPECT_FALSE(testsupport::fileExists(x.out() + "/bad.txt"));
}

}  // namespace
