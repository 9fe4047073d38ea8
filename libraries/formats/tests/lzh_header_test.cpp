// Headers written by buildHeader and read back by readHeader, at every level:
// names (5C trail bytes, long, Unicode), folders, links, stamps, attributes.
#include <gtest/gtest.h>

#include "lzh/lzh_header.h"
#include "lzh/lzh_names.h"
#include "lzh/lzh_writer.h"
#include "platform/platform.h"

namespace lzh = fmt::lzh;

namespace {

fmt::Entry sample(const std::string& utf8Name, fmt::EntryKind kind = fmt::EntryKind::File) {
  fmt::Entry e = lzh::entryForName(utf8Name, kind == fmt::EntryKind::Folder);
  e.kind = kind;
  e.method = kind == fmt::EntryKind::File ? "-lh5-" : "-lhd-";
  e.size = kind == fmt::EntryKind::File ? 123456 : 0;
  e.packedSize = kind == fmt::EntryKind::File ? 65432 : 0;
  e.crc = 0xBEEF;
  e.mtime = 1262304000;  // 2010-01-01 00:00:00 UTC
  e.attributes = fmt::kAttrArchive | fmt::kAttrReadOnly;
  return e;
}

lzh::LzhHeader roundTrip(const fmt::Entry& e, int level) {
  auto bytes = lzh::buildHeader(e, level);
  auto src = fmt::memoryByteSource(bytes);
  lzh::LzhHeader h;
  auto res = lzh::readHeader(*src, 0, h);
  EXPECT_EQ(res.status, lzh::HeaderStatus::Ok) << res.problem;
  EXPECT_EQ(h.headerSize, bytes.size());
  return h;
}

class HeaderLevels : public ::testing::TestWithParam<int> {};

TEST_P(HeaderLevels, FieldsSurvive) {
  const int level = GetParam();
  for (std::string name : {"a.txt", "表/ソ/能.txt", "dir/sub/file.bin"}) {
    SCOPED_TRACE(name);
    fmt::Entry e = sample(name);
    lzh::LzhHeader h = roundTrip(e, level);
    EXPECT_EQ(h.entry.name, fmt::platform::utf8ToSjis(name));
    EXPECT_EQ(h.entry.encoding, fmt::NameEncoding::ShiftJis);
    EXPECT_EQ(h.entry.method, "-lh5-");
    EXPECT_EQ(h.entry.size, e.size);
    EXPECT_EQ(h.entry.packedSize, e.packedSize);
    EXPECT_EQ(h.entry.crc, 0xBEEF);
    EXPECT_EQ(h.entry.headerLevel, level);
    EXPECT_EQ(h.entry.kind, fmt::EntryKind::File);
    EXPECT_EQ(h.entry.mtime, e.mtime);
    EXPECT_EQ(h.entry.attributes & 0x3F, e.attributes);
  }
  lzh::LzhHeader folder = roundTrip(sample("表/ソ", fmt::EntryKind::Folder), level);
  EXPECT_EQ(folder.entry.kind, fmt::EntryKind::Folder);
  EXPECT_EQ(folder.entry.name, fmt::platform::utf8ToSjis("表/ソ"));
}

INSTANTIATE_TEST_SUITE_P(Levels, HeaderLevels, ::testing::Values(0, 1, 2));

TEST(LzhHeader, LongNamesNeedExtendedHeaders) {
  std::string longName = std::string(200, 'd') + "/" + std::string(240, 'f') + ".txt";
  for (int level : {1, 2}) {
    lzh::LzhHeader h = roundTrip(sample(longName), level);
    EXPECT_EQ(h.entry.name, longName);
  }
  try {
    lzh::buildHeader(sample(longName), 0);
    FAIL() << "level 0 took a name it cannot hold";
  } catch (const fmt::Error& err) {
    EXPECT_EQ(err.kind(), fmt::ErrorKind::Usage);
  }
}

TEST(LzhHeader, NamesOutsideShiftJisKeptAsUnicode) {
  const std::string name = "café/한국어 😀.txt";
  fmt::Entry e = sample(name);
  ASSERT_EQ(e.encoding, fmt::NameEncoding::Utf8);
  lzh::LzhHeader h = roundTrip(e, 2);
  EXPECT_EQ(h.entry.encoding, fmt::NameEncoding::Utf8);
  EXPECT_EQ(h.entry.name, name);
}

TEST(LzhHeader, LinksAndUnixModes) {
  fmt::Entry e = sample("bin/link", fmt::EntryKind::Symlink);
  e.linkTarget = "../lib/target";
  e.hasUnixMode = true;
  e.unixMode = 0120777;
  lzh::LzhHeader h = roundTrip(e, 2);
  EXPECT_EQ(h.entry.kind, fmt::EntryKind::Symlink);
  EXPECT_EQ(h.entry.name, "bin/link");
  EXPECT_EQ(h.entry.linkTarget, "../lib/target");
  EXPECT_EQ(h.entry.unixMode, 0120777u);
  // A '|' in a folder name with a folder mode is no link.
  fmt::Entry dir = sample("a|b", fmt::EntryKind::Folder);
  dir.hasUnixMode = true;
  dir.unixMode = 040755;
  EXPECT_EQ(roundTrip(dir, 2).entry.kind, fmt::EntryKind::Folder);
}

TEST(LzhHeader, SizesBeyondFourGigabytes) {
  fmt::Entry e = sample("big.bin");
  e.size = 5'000'000'000ull;
  e.packedSize = 4'300'000'000ull;
  lzh::LzhHeader h = roundTrip(e, 2);
  EXPECT_EQ(h.entry.size, e.size);
  EXPECT_EQ(h.entry.packedSize, e.packedSize);
  EXPECT_THROW(lzh::buildHeader(e, 1), fmt::Error);
}

// A header whose size word would start with a zero byte reads as the end of
// the archive; the writer pads those.
TEST(LzhHeader, NoHeaderStartsWithZero) {
  for (size_t n = 1; n < 300; ++n) {
    auto bytes = lzh::buildHeader(sample(std::string(n, 'x')), 2);
    ASSERT_NE(bytes[0], 0) << n;
  }
}

// A level-2 header for an empty -lh0- member `name` in folder `dir` (FF between
// folders), made byte by byte as an LHA program on Windows writes one.
std::vector<uint8_t> level2(const std::string& dir, const std::string& name) {
  std::vector<uint8_t> h = {0, 0, '-', 'l', 'h', '0', '-'};
  h.insert(h.end(), 12, 0);                 // packed and original size, stamp
  h.insert(h.end(), {0x20, 2, 0, 0, 'M'});  // attribute, level, data CRC, OS
  auto ext = [&h](uint8_t type, const std::string& data) {
    const size_t n = data.size() + 3;  // its type, its data and the size of the next one
    h.push_back(static_cast<uint8_t>(n));
    h.push_back(static_cast<uint8_t>(n >> 8));
    h.push_back(type);
    h.insert(h.end(), data.begin(), data.end());
  };
  ext(0x01, name);
  ext(0x02, dir);
  h.insert(h.end(), {0, 0});
  h[0] = static_cast<uint8_t>(h.size());
  h[1] = static_cast<uint8_t>(h.size() >> 8);
  return h;
}

// A Shift-JIS lead byte pairs only with a byte that can end a character: FF
// cannot, so after a broken character FF still separates folders, while a trail
// byte of 5C (ソ) is never one.
TEST(LzhHeader, FolderSeparatorsAfterBrokenShiftJis) {
  const struct {
    std::string dir, want;
  } cases[] = {
      {"a\x81\xFF" "b\xFF", "a\x81/b/f"},  // lead byte, then FF
      {"\x81\xFF\x81\xFF", "\x81/\x81/f"},
      {"a\x81\x7F\xFF", "a\x81\x7F/f"},    // lead byte and 7F: two single bytes, then FF
      {"a\x83\x5C\xFF", "a\x83\x5C/f"},    // a whole character whose trail byte is 5C
      {"a\x81", "a\x81/f"},                // lead byte at the end
  };
  for (const auto& c : cases) {
    auto src = fmt::memoryByteSource(level2(c.dir, "f"));
    lzh::LzhHeader h;
    const auto res = lzh::readHeader(*src, 0, h);
    ASSERT_EQ(res.status, lzh::HeaderStatus::Ok) << res.problem;
    EXPECT_EQ(h.entry.encoding, fmt::NameEncoding::ShiftJis);
    EXPECT_EQ(h.entry.name, c.want);
  }
  // And the other way, for folder headers: '/' is no trail byte either.
  EXPECT_EQ(lzh::ffSeparators("a\x81/b", fmt::NameEncoding::ShiftJis), "a\x81\xFF" "b");
  EXPECT_EQ(lzh::ffSeparators("a\x83\x5C/b", fmt::NameEncoding::ShiftJis), "a\x83\x5C\xFF" "b");
  EXPECT_EQ(lzh::slashSeparators("a\x81\xFF", fmt::NameEncoding::ShiftJis), "a\x81/");
}

// Writing too: a lead byte followed by '/' is a broken character, and the '/'
// still separates the folder from the file. (Level 0 writes '\', and a lead
// byte before it reads back as one character: that header cannot say it.)
TEST(LzhHeader, WrittenFolderSeparatorsAfterBrokenShiftJis) {
  for (int level : {1, 2}) {
    SCOPED_TRACE(level);
    fmt::Entry e = sample("x");
    e.encoding = fmt::NameEncoding::ShiftJis;
    e.name = "d\x81/f.txt";
    EXPECT_EQ(roundTrip(e, level).entry.name, "d\x81/f.txt");
    auto bytes = lzh::buildHeader(e, level);
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find(std::string("d\x81\xFF", 3)), std::string::npos)
        << "the folder goes into the folder header";
    e.name = "\x83\x5C/f.txt";  // ソ, then the separator
    EXPECT_EQ(roundTrip(e, level).entry.name, "\x83\x5C/f.txt");
  }
}

// A level-0 or level-1 size byte too small for the fields it must hold is a
// bad header, whatever follows it (the fixed fields are read from the stream).
TEST(LzhHeader, BaseHeaderShorterThanItsFieldsIsBad) {
  for (uint8_t level : {0, 1}) {
    for (uint8_t size : {0x01, 0x05, 0x14, 0x15}) {
      std::vector<uint8_t> h = {size, 0, '-', 'l', 'h', '0', '-'};
      h.resize(40, 0);
      h[20] = level;
      uint8_t sum = 0;
      for (size_t i = 2; i < size + 2u; ++i) sum = static_cast<uint8_t>(sum + h[i]);
      h[1] = sum;
      auto src = fmt::memoryByteSource(h);
      lzh::LzhHeader out;
      EXPECT_EQ(lzh::readHeader(*src, 0, out).status, lzh::HeaderStatus::Bad) << int(level) << " " << int(size);
    }
  }
}

TEST(LzhHeader, MethodsAreRecognised) {
  EXPECT_TRUE(lzh::looksLikeMethod(reinterpret_cast<const uint8_t*>("-lh5-")));
  EXPECT_TRUE(lzh::looksLikeMethod(reinterpret_cast<const uint8_t*>("-pm2-")));
  EXPECT_FALSE(lzh::looksLikeMethod(reinterpret_cast<const uint8_t*>("-LH5-")));
  EXPECT_FALSE(lzh::looksLikeMethod(reinterpret_cast<const uint8_t*>("xlh5-")));
  EXPECT_EQ(lzh::methodFromName("lh7"), "-lh7-");
  EXPECT_THROW(lzh::methodFromName("lh4"), fmt::Error);
}

}  // namespace
