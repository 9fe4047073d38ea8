// The platform layer on this system: buffered files, stamps, attributes, folder
// listing and names that Shift-JIS cannot express. Runs natively and, for the
// Windows side, under Wine.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/entry.h"
#include "base/error.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

namespace pf = fmt::platform;
using testsupport::TempDir;

std::vector<uint8_t> readAll(const std::string& path) {
  auto f = pf::File::open(path, pf::File::Read);
  std::vector<uint8_t> out(static_cast<size_t>(f->size()));
  fmt::readExact(*f, out.data(), out.size());
  uint8_t extra;
  EXPECT_EQ(f->read(&extra, 1), 0u);
  return out;
}

fmt::ErrorKind kindOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const fmt::Error& e) {
    return e.kind();
  }
  ADD_FAILURE() << "no fmt::Error thrown";
  return fmt::ErrorKind::Usage;
}

TEST(PlatformFile, WritesSeeksAndReadsAcrossBufferBoundaries) {
  TempDir dir;
  const std::string path = dir / "data.bin";
  const auto data = testsupport::randomBytes(1'500'000, 7);
  {
    auto f = pf::File::open(path, pf::File::CreateNew);
    // Odd chunk sizes, one larger than any buffer, to cross every boundary.
    size_t pos = 0, step = 1;
    while (pos < data.size()) {
      const size_t n = std::min(step, data.size() - pos);
      f->write(data.data() + pos, n);
      pos += n;
      step = step * 3 + 1;
    }
    EXPECT_EQ(f->tell(), data.size());
    EXPECT_EQ(f->size(), data.size());
    // Patch a header afterwards, as archive writers do.
    f->seek(10);
    f->write("HEADER", 6);
    f->seek(data.size());
    f->write("END", 3);
    f->close();
  }
  auto expected = data;
  std::copy_n("HEADER", 6, expected.begin() + 10);
  expected.insert(expected.end(), {'E', 'N', 'D'});
  EXPECT_EQ(readAll(path), expected);

  auto f = pf::File::open(path, pf::File::Read);
  f->seek(999'999);
  uint8_t b[4];
  fmt::readExact(*f, b, 4);
  EXPECT_TRUE(std::equal(b, b + 4, expected.begin() + 999'999));
  EXPECT_EQ(f->tell(), 1'000'003u);
  EXPECT_EQ(kindOf([&] { f->write("x", 1); }), fmt::ErrorKind::Usage);
}

TEST(PlatformFile, ReadBackWhatWasJustWritten) {
  TempDir dir;
  auto f = pf::File::open(dir / "rw.bin", pf::File::Truncate);
  f->write("abcdef", 6);
  f->seek(2);
  char got[3] = {};
  fmt::readExact(*f, got, 2);
  EXPECT_EQ(std::string(got, 2), "cd");
  f->write("XY", 2);  // at offset 4, after a read
  f->seek(0);
  char all[7] = {};
  fmt::readExact(*f, all, 6);
  EXPECT_EQ(std::string(all, 6), "abcdXY");
}

TEST(PlatformFile, OpenModes) {
  TempDir dir;
  const std::string path = dir / "f.txt";
  EXPECT_EQ(kindOf([&] { pf::File::open(path, pf::File::Read); }), fmt::ErrorKind::Io);
  pf::File::open(path, pf::File::CreateNew)->write("old", 3);
  EXPECT_EQ(kindOf([&] { pf::File::open(path, pf::File::CreateNew); }), fmt::ErrorKind::Io);
  EXPECT_EQ(readAll(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
  pf::File::open(path, pf::File::Truncate)->write("n", 1);
  EXPECT_EQ(readAll(path), (std::vector<uint8_t>{'n'}));
  EXPECT_EQ(kindOf([&] { pf::File::open(dir.path(), pf::File::Read); }), fmt::ErrorKind::Io);
}

TEST(PlatformFile, InjectedWriteFailure) {
  TempDir dir;
  auto f = pf::File::open(dir / "x", pf::File::CreateNew);
  pf::failWritesAfter(10);
  f->write("0123456789", 10);
  EXPECT_EQ(kindOf([&] { f->write("a", 1); }), fmt::ErrorKind::Io);
  pf::failWritesAfter(-1);
  f->write("b", 1);
  f->close();
  EXPECT_EQ(readAll(dir / "x").size(), 11u);
}

TEST(PlatformFiles, StatStampsAndAttributes) {
  TempDir dir;
  const std::string path = dir / "s.txt";
  EXPECT_FALSE(pf::stat(path).exists);
  pf::File::open(path, pf::File::CreateNew)->write("12345", 5);
  pf::FileInfo info = pf::stat(path);
  EXPECT_TRUE(info.exists);
  EXPECT_FALSE(info.isFolder);
  EXPECT_EQ(info.size, 5u);
  EXPECT_EQ(info.attributes & fmt::kAttrReadOnly, 0u);

  const int64_t stamp = fmt::dosToUnixTime((25 << 9) | (6 << 5) | 15, (13 << 11) | (45 << 5) | 10);
  pf::setMtime(path, stamp);
  EXPECT_EQ(pf::stat(path).mtime, stamp);

  pf::setAttributes(path, fmt::kAttrReadOnly);
  EXPECT_NE(pf::stat(path).attributes & fmt::kAttrReadOnly, 0u);
  pf::setAttributes(path, fmt::kAttrArchive);
  EXPECT_EQ(pf::stat(path).attributes & fmt::kAttrReadOnly, 0u);
  pf::File::open(path, pf::File::Truncate)->write("w", 1);  // writable again

  const pf::FileInfo folder = pf::stat(dir.path());
  EXPECT_TRUE(folder.exists && folder.isFolder);
  EXPECT_NE(folder.attributes & fmt::kAttrFolder, 0u);
}

TEST(PlatformFiles, FoldersRenameAndRemove) {
  TempDir dir;
  pf::makeFolders(dir / "a/b\\c");
  pf::makeFolders(dir / "a/b/c");  // existing folders are fine
  EXPECT_TRUE(pf::stat(dir / "a/b/c").isFolder);
  pf::File::open(dir / "a/file", pf::File::CreateNew)->write("1", 1);
  EXPECT_EQ(kindOf([&] { pf::makeFolders(dir / "a/file/sub"); }), fmt::ErrorKind::Io);

  pf::File::open(dir / "a/new", pf::File::CreateNew)->write("22", 2);
  pf::renameReplace(dir / "a/new", dir / "a/file");
  EXPECT_EQ(pf::stat(dir / "a/file").size, 2u);
  EXPECT_FALSE(pf::stat(dir / "a/new").exists);

  EXPECT_EQ(pf::listFolder(dir / "a"), (std::vector<std::string>{"b", "file"}));
  pf::removeFile(dir / "a/file");
  pf::removeFile(dir / "a/file");  // absent: no error
  pf::removeFolder(dir / "a/b/c");
  EXPECT_EQ(pf::listFolder(dir / "a"), (std::vector<std::string>{"b"}));
}

TEST(PlatformFiles, UniqueNames) {
  TempDir dir;
  const std::string a = pf::uniqueName(dir.path(), "~tmp");
  EXPECT_EQ(a.rfind(dir.path() + "/~tmp", 0), 0u) << a;
  pf::File::open(a, pf::File::CreateNew);
  const std::string b = pf::uniqueName(dir.path(), "~tmp");
  EXPECT_NE(a, b);
  EXPECT_FALSE(pf::stat(b).exists);
}

// Where AtomicFile puts its temporary and where extraction makes folders.
TEST(PlatformFiles, ParentFolders) {
  EXPECT_EQ(pf::parentFolder("a/b/c.txt"), "a/b");
  EXPECT_EQ(pf::parentFolder("a\\b.txt"), "a");
  EXPECT_EQ(pf::parentFolder("c.txt"), ".");
  EXPECT_EQ(pf::parentFolder("/c.txt"), "/");
}

TEST(PlatformFiles, NamesOutsideShiftJis) {
  // 表示, half-width ｱ, an emoji and Latin é: the last two have no Shift-JIS form.
  const std::string name = "\xE8\xA1\xA8\xE7\xA4\xBA\xEF\xBD\xB1\xF0\x9F\x98\x80\xC3\xA9.txt";
  TempDir dir;
  pf::makeFolders(dir / name + "/sub");
  pf::File::open(dir / name + "/sub/" + name, pf::File::CreateNew)->write("u", 1);
  EXPECT_EQ(pf::listFolder(dir.path()), std::vector<std::string>{name});
  EXPECT_EQ(pf::listFolder(dir / name + "/sub"), std::vector<std::string>{name});
  EXPECT_EQ(pf::stat(dir / name + "/sub/" + name).size, 1u);
}

TEST(PlatformFiles, FolderQueries) {
  EXPECT_TRUE(pf::stat(pf::currentFolder()).isFolder);
  EXPECT_TRUE(pf::stat(pf::tempFolder()).isFolder);
}

#ifndef _WIN32
TEST(PlatformFiles, LinksAreSeenNotFollowed) {
  TempDir dir;
  pf::makeFolders(dir / "real");
  ASSERT_EQ(testsupport::run("ln -s real " + testsupport::sh(dir / "link")), 0);
  const pf::FileInfo info = pf::stat(dir / "link");
  EXPECT_TRUE(info.exists && info.isLink);
  EXPECT_FALSE(info.isFolder);
  // Truncate refuses to write through a final link.
  ASSERT_EQ(testsupport::run("ln -s real/t " + testsupport::sh(dir / "flink")), 0);
  EXPECT_EQ(kindOf([&] { pf::File::open(dir / "flink", pf::File::Truncate); }), fmt::ErrorKind::Io);
  EXPECT_FALSE(pf::stat(dir / "real/t").exists);
}
#endif

TEST(DosTime, RoundTripsInLocalTime) {
  for (const int64_t t : {int64_t{315532800 + 86400 * 3}, int64_t{1000000000}, int64_t{1700000000}, int64_t{2000000000}}) {
    uint16_t date, time;
    fmt::unixToDosTime(t, date, time);
    EXPECT_EQ(fmt::dosToUnixTime(date, time), t - (t % 2)) << t;
  }
}

TEST(DosTime, OutOfRangeValues) {
  uint16_t date, time;
  fmt::unixToDosTime(0, date, time);  // 1970 is before DOS time began
  EXPECT_EQ(date, (1 << 5) | 1);
  EXPECT_EQ(time, 0);
  // Month 0 and day 0 read as January 1st.
  EXPECT_EQ(fmt::dosToUnixTime(10 << 9, 0), fmt::dosToUnixTime((10 << 9) | (1 << 5) | 1, 0));
  // Stored fields come back as stored.
  const uint16_t d = (44 << 9) | (2 << 5) | 29, tm = (23 << 11) | (59 << 5) | 29;
  fmt::unixToDosTime(fmt::dosToUnixTime(d, tm), date, time);
  EXPECT_EQ(date, d);
  EXPECT_EQ(time, tm);
}

}  // namespace
