// The ZIP reader on crafted archives: names and their encodings, stamps and
// attributes, the end records, prefixes, and every kind of damage or contradiction
// it must refuse per entry without giving up on the others.
#include <gtest/gtest.h>

#include "base/error.h"
#include "test_support.h"
#include "zip/zip_reader.h"
#include "zip_test_writer.h"

namespace {

using fmt::Error;
using fmt::ErrorKind;
using fmt::zip::ZipReader;
using ziptest::bytesOf;
using ziptest::craftZip;
using ziptest::CraftEntry;
using ziptest::CraftOptions;

std::unique_ptr<ZipReader> openBytes(std::vector<uint8_t> bytes) {
  return ZipReader::open(fmt::memoryByteSource(std::move(bytes)));
}

std::vector<uint8_t> extractBytes(ZipReader& r, size_t i) {
  fmt::MemoryOutStream out;
  r.extract(i, out);
  return out.data;
}

ErrorKind extractError(ZipReader& r, size_t i, std::string* message = nullptr) {
  try {
    extractBytes(r, i);
  } catch (const Error& e) {
    if (message) *message = e.what();
    return e.kind();
  }
  ADD_FAILURE() << "entry " << i << " extracted without an error";
  return ErrorKind::Io;
}

CraftEntry file(const std::string& name, const std::vector<uint8_t>& data, uint16_t method = 8) {
  CraftEntry e;
  e.name = name;
  e.data = data;
  e.method = method;
  return e;
}

TEST(ZipReaderNames, ShiftJisWithoutFlagKeepsTrailBytes5C) {
  // 表 is 95 5C and ソ is 83 5C: the second byte is a backslash in ASCII.
  const std::string hyou = "\x95\x5C", so = "\x83\x5C";
  auto data = testsupport::textBytes(3000, 1);
  auto r = openBytes(craftZip({file(hyou + "/" + so + ".txt", data), file(so + hyou + "\\", {}, 0)}));
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 2u);
  const auto& e = r->entries()[0];
  EXPECT_EQ(e.encoding, fmt::NameEncoding::ShiftJis);
  EXPECT_EQ(e.name, hyou + "/" + so + ".txt");
  EXPECT_EQ(e.kind, fmt::EntryKind::File);
  EXPECT_EQ(extractBytes(*r, 0), data);
  // A name ending in a 5C trail byte is not a folder; one ending in a real backslash is.
  EXPECT_EQ(r->entries()[1].kind, fmt::EntryKind::Folder);
  EXPECT_EQ(r->entries()[1].name, so + hyou);

  auto r2 = openBytes(craftZip({file("a" + hyou, {'x'}, 0)}));
  EXPECT_EQ(r2->entries()[0].kind, fmt::EntryKind::File);
  EXPECT_EQ(r2->entries()[0].name, "a" + hyou);
}

TEST(ZipReaderNames, Utf8FlagAndUnicodePathField) {
  const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC.txt";  // 日本.txt
  const std::string sjis = "\x93\xFA\x96\x7B.txt";
  CraftEntry flagged = file(utf8, {'a'}, 0);
  flagged.flags = 0x0800;

  auto unicodeField = [](const std::string& headerName, const std::string& name) {
    std::vector<uint8_t> d{1};
    ziptest::put32(d, ziptest::zcrc(headerName));
    ziptest::putBytes(d, name);
    return ziptest::extraField(0x7075, d);
  };
  CraftEntry withField = file(sjis, {'b'}, 0);
  withField.centralExtra = unicodeField(sjis, utf8);
  // A field whose CRC belongs to another name is stale: the header name wins.
  CraftEntry staleField = file(sjis, {'c'}, 0);
  staleField.centralExtra = unicodeField("old name", "\xE5\x8F\xA4.txt");

  auto r = openBytes(craftZip({flagged, withField, staleField}));
  ASSERT_TRUE(r);
  const auto& es = r->entries();
  EXPECT_EQ(es[0].encoding, fmt::NameEncoding::Utf8);
  EXPECT_EQ(es[0].name, utf8);
  EXPECT_EQ(es[1].encoding, fmt::NameEncoding::Utf8);
  EXPECT_EQ(es[1].name, utf8);
  EXPECT_EQ(es[2].encoding, fmt::NameEncoding::ShiftJis);
  EXPECT_EQ(es[2].name, sjis);
  // The local header carries the raw name, so the check against it still passes.
  EXPECT_EQ(extractBytes(*r, 1), bytesOf("b"));

  // Info-ZIP on a UTF-8 Unix marks nothing: a valid UTF-8 name from a Unix host is
  // taken as UTF-8, the same bytes from a DOS host and Shift-JIS from Unix are not.
  CraftEntry unixUtf8 = file(utf8, {'d'}, 0);
  unixUtf8.madeBy = 3 << 8 | 30;
  CraftEntry dosUtf8 = file(utf8, {'e'}, 0);
  CraftEntry unixSjis = file(sjis, {'f'}, 0);
  unixSjis.madeBy = 3 << 8 | 30;
  auto r2 = openBytes(craftZip({unixUtf8, dosUtf8, unixSjis}));
  ASSERT_TRUE(r2);
  EXPECT_EQ(r2->entries()[0].encoding, fmt::NameEncoding::Utf8);
  EXPECT_EQ(r2->entries()[1].encoding, fmt::NameEncoding::ShiftJis);
  EXPECT_EQ(r2->entries()[2].encoding, fmt::NameEncoding::ShiftJis);
}

TEST(ZipReaderEntries, StampsFromExtraFieldsOverDosTime) {
  const int64_t t = 1700000000;  // 2023-11-14 22:13:20 UTC
  std::vector<uint8_t> ut{1};
  ziptest::put32(ut, uint32_t(t));
  CraftEntry unixStamp = file("ut", {}, 0);
  unixStamp.centralExtra = ziptest::extraField(0x5455, ut);

  std::vector<uint8_t> ntfs(4, 0);
  ziptest::put16(ntfs, 1);
  ziptest::put16(ntfs, 24);
  uint64_t ft = (uint64_t(t + 3600) + 11644473600ULL) * 10000000ULL + 1234567;
  for (int i = 0; i < 3; i++) ziptest::put64(ntfs, ft);
  CraftEntry ntfsStamp = file("nt", {}, 0);
  ntfsStamp.centralExtra = ziptest::extraField(0x000a, ntfs);

  CraftEntry dosOnly = file("dos", {}, 0);
  auto r = openBytes(craftZip({unixStamp, ntfsStamp, dosOnly}));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries()[0].mtime, t);
  EXPECT_EQ(r->entries()[1].mtime, t + 3600);
  EXPECT_EQ(r->entries()[2].mtime, fmt::dosToUnixTime(0x5A21, 0x6000));
  EXPECT_EQ(r->entries()[2].dosDate, 0x5A21);
  // DOS fields follow the UTC stamp when one is present.
  uint16_t d, tm;
  fmt::unixToDosTime(t, d, tm);
  EXPECT_EQ(r->entries()[0].dosDate, d);
  EXPECT_EQ(r->entries()[0].dosTime, tm);
}

TEST(ZipReaderEntries, KindsFromUnixModeAndDosAttributes) {
  CraftEntry folder = file("dir/", {}, 0);
  folder.madeBy = 3 << 8 | 30;
  folder.externalAttr = (040755u << 16) | 0x10;
  CraftEntry link = file("link", bytesOf("../target"), 0);
  link.madeBy = 3 << 8 | 30;
  link.externalAttr = 0120777u << 16;
  CraftEntry readOnly = file("ro.txt", bytesOf("x"), 0);
  readOnly.externalAttr = 0x21;
  CraftEntry dosFolder = file("plain", {}, 0);
  dosFolder.externalAttr = 0x10;
  CraftEntry unixFile = file("run.sh", bytesOf("#!"), 0);
  unixFile.madeBy = 3 << 8 | 30;
  unixFile.externalAttr = 0100755u << 16;

  auto r = openBytes(craftZip({folder, link, readOnly, dosFolder, unixFile}));
  ASSERT_TRUE(r);
  const auto& es = r->entries();
  EXPECT_EQ(es[0].kind, fmt::EntryKind::Folder);
  EXPECT_EQ(es[0].name, "dir");
  EXPECT_TRUE(es[0].attributes & fmt::kAttrFolder);
  EXPECT_EQ(es[1].kind, fmt::EntryKind::Symlink);
  EXPECT_EQ(es[1].linkTarget, "../target");
  EXPECT_EQ(es[2].kind, fmt::EntryKind::File);
  EXPECT_EQ(es[2].attributes, fmt::kAttrReadOnly | fmt::kAttrArchive);
  EXPECT_FALSE(es[2].hasUnixMode);
  EXPECT_EQ(es[3].kind, fmt::EntryKind::Folder);
  EXPECT_EQ(es[4].kind, fmt::EntryKind::File);
  EXPECT_TRUE(es[4].hasUnixMode);
  EXPECT_EQ(es[4].unixMode, 0100755u);
}

TEST(ZipReaderEnd, CommentHoldingTheSignatureAndTrailingGarbage) {
  std::string comment = std::string("fake PK\x05\x06 inside", 20) + std::string(30, 'c');
  CraftOptions opt;
  opt.comment = comment;
  auto r = openBytes(craftZip({file("a", bytesOf("alpha"))}, opt));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->comment(), comment);
  EXPECT_TRUE(r->warnings().empty());
  EXPECT_EQ(extractBytes(*r, 0), bytesOf("alpha"));

  CraftOptions junk;
  junk.trailer = std::vector<uint8_t>(100, 0xEE);
  auto r2 = openBytes(craftZip({file("a", bytesOf("alpha"))}, junk));
  ASSERT_TRUE(r2);
  EXPECT_EQ(r2->warnings().size(), 1u);
  EXPECT_EQ(extractBytes(*r2, 0), bytesOf("alpha"));
}

TEST(ZipReaderEnd, SelfExtractingPrefixWithAndWithoutAdjustedOffsets) {
  auto data = testsupport::textBytes(20000, 2);
  for (bool adjusted : {false, true}) {
    CraftOptions opt;
    opt.prefix = testsupport::randomBytes(7000, 3);
    opt.prefix[0] = 'M', opt.prefix[1] = 'Z';
    opt.offsetsIncludePrefix = adjusted;
    auto r = openBytes(craftZip({file("one", data), file("two", bytesOf("2"), 0)}, opt));
    ASSERT_TRUE(r) << adjusted;
    EXPECT_EQ(r->prefixSize(), adjusted ? 0u : 7000u);
    EXPECT_EQ(extractBytes(*r, 0), data);
    EXPECT_EQ(extractBytes(*r, 1), bytesOf("2"));
  }
}

TEST(ZipReaderEnd, Zip64RecordsAndFieldsAndDescriptors) {
  auto data = testsupport::textBytes(50000, 4);
  CraftEntry big = file("z64", data);
  big.zip64 = true;
  CraftEntry desc64 = file("d64", data);
  desc64.zip64 = true;
  desc64.descriptor = true;
  desc64.descriptor64 = true;
  CraftEntry descNoSig = file("dnosig", data);
  descNoSig.descriptor = true;
  descNoSig.descriptorSig = false;
  CraftOptions opt;
  opt.zip64End = true;
  opt.prefix = std::vector<uint8_t>(333, 'p');
  auto r = openBytes(craftZip({big, desc64, descNoSig}, opt));
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 3u);
  for (size_t i = 0; i < 3; i++) {
    EXPECT_EQ(r->entries()[i].size, data.size());
    EXPECT_EQ(extractBytes(*r, i), data) << i;
  }
}

// A ZIP64 directory offset far past where the directory really lies: the reader
// falls back to the directory before the end record and must not overflow the
// difference, whether or not it still fits a signed shift.
TEST(ZipReaderEnd, Zip64DirectoryOffsetBeyondAnyFile) {
  auto data = testsupport::textBytes(3000, 13);
  auto real = craftZip({file("a", data)});
  uint64_t actual = 0;
  for (size_t i = 0; i + 4 <= real.size(); i++)
    if (real[i] == 'P' && real[i + 1] == 'K' && real[i + 2] == 1 && real[i + 3] == 2) actual = i;
  ASSERT_NE(actual, 0u);

  CraftOptions opt;
  opt.zip64End = true;
  opt.statedCentralOffset = actual + (uint64_t(1) << 63);
  try {
    openBytes(craftZip({file("a", data)}, opt));
    ADD_FAILURE() << "opened a directory placed 2^63 bytes out";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::Corrupt);
  }

  // Just inside the signed range the archive opens, but its entry would lie
  // before the start of the file.
  opt.statedCentralOffset = actual + uint64_t(INT64_MAX);
  auto r = openBytes(craftZip({file("a", data)}, opt));
  ASSERT_TRUE(r);
  EXPECT_EQ(extractError(*r, 0), ErrorKind::Corrupt);
}

TEST(ZipReaderEnd, NotZipTruncatedAndSpanned) {
  EXPECT_EQ(openBytes(testsupport::randomBytes(5000, 5)), nullptr);
  EXPECT_EQ(openBytes({}), nullptr);
  // Programs that handle ZIP hold the end signature among their constants.
  for (uint16_t disk : {0, 0x2001}) {
    auto program = testsupport::randomBytes(5000, 12);
    program[0] = 'M', program[1] = 'Z';
    std::vector<uint8_t> record;
    ziptest::put32(record, 0x06054b50);
    ziptest::put16(record, disk);
    ziptest::put16(record, 0x1234);
    ziptest::put32(record, 0x00030003);
    ziptest::put32(record, 0x100);
    ziptest::put32(record, 0x200);
    ziptest::put16(record, 0);
    program.insert(program.end(), record.begin(), record.end());
    EXPECT_EQ(openBytes(program), nullptr) << disk;
  }

  auto whole = craftZip({file("a", testsupport::textBytes(10000, 6)), file("b", bytesOf("b"))});
  for (size_t cut : {whole.size() - 10, whole.size() / 2, size_t(40)}) {
    std::vector<uint8_t> part(whole.begin(), whole.begin() + cut);
    try {
      openBytes(part);
      ADD_FAILURE() << "opened an archive cut at " << cut;
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::Truncated) << cut;
    }
  }

  CraftOptions spanned;
  spanned.disk = 2;
  for (bool z64 : {false, true}) {
    spanned.zip64End = z64;
    try {
      openBytes(craftZip({file("a", bytesOf("a"))}, spanned));
      ADD_FAILURE() << "opened a spanned archive";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::Unsupported);
      EXPECT_NE(std::string(e.what()).find("spanned"), std::string::npos);
    }
  }
}

// Each fault spoils its own entry only; the good entry next to it still extracts.
TEST(ZipReaderDamage, ContradictionsAreRefusedPerEntry) {
  auto data = testsupport::textBytes(4000, 7);
  CraftEntry good = file("good", data);
  CraftEntry otherTime = file("time", data);
  otherTime.localTime = 0x6001;
  CraftEntry otherName = file("name", data);
  otherName.localName = "../evil";
  CraftEntry otherMethod = file("method", data);
  otherMethod.localMethod = 0;
  CraftEntry badCrc = file("crc", data);
  badCrc.crc = 0x12345678;
  CraftEntry badDescriptor = file("descriptor", data);
  badDescriptor.descriptor = true;
  badDescriptor.descriptorCrc = 0xDEADBEEF;
  CraftEntry tooSmall = file("small", data);
  tooSmall.size = 100;  // a bomb states less than it decodes to
  CraftEntry tooBig = file("big", data);
  tooBig.size = data.size() + 1;
  CraftEntry aes = file("aes", data, 99);
  aes.flags = 1;
  aes.packed = testsupport::randomBytes(200, 8);
  aes.centralExtra = ziptest::extraField(0x9901, {2, 0, 'A', 'E', 3, 8, 0});
  CraftEntry lzma = file("lzma", data, 14);
  lzma.packed = testsupport::randomBytes(100, 9);
  CraftEntry garbage = file("garbage", data, 8);
  garbage.packed = testsupport::randomBytes(500, 10);

  auto r = openBytes(
      craftZip({good, otherName, otherMethod, badCrc, badDescriptor, tooSmall, tooBig, aes, lzma, garbage, otherTime}));
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 11u);
  EXPECT_EQ(extractBytes(*r, 0), data);
  // A stamp that differs is only a warning.
  EXPECT_EQ(extractBytes(*r, 10), data);
  ASSERT_EQ(r->warnings().size(), 1u);
  EXPECT_NE(r->warnings()[0].find("time"), std::string::npos);
  EXPECT_EQ(extractError(*r, 1), ErrorKind::Corrupt);
  EXPECT_EQ(extractError(*r, 2), ErrorKind::Corrupt);
  EXPECT_EQ(extractError(*r, 3), ErrorKind::Checksum);
  EXPECT_EQ(extractError(*r, 4), ErrorKind::Corrupt);
  EXPECT_EQ(extractError(*r, 5), ErrorKind::Corrupt);
  EXPECT_EQ(extractError(*r, 6), ErrorKind::Corrupt);
  std::string why;
  // AES is read, but not without a password.
  EXPECT_EQ(extractError(*r, 7, &why), ErrorKind::Password);
  EXPECT_NE(why.find("password"), std::string::npos) << why;
  EXPECT_EQ(r->entries()[7].method, "deflate+AES256");
  EXPECT_TRUE(r->entries()[7].encrypted);
  EXPECT_EQ(extractError(*r, 8, &why), ErrorKind::Unsupported);
  EXPECT_NE(why.find("lzma"), std::string::npos) << why;
  ErrorKind k = extractError(*r, 9);
  EXPECT_TRUE(k == ErrorKind::Corrupt || k == ErrorKind::Truncated);
  EXPECT_EQ(extractBytes(*r, 0), data);  // still readable after the failures
}

TEST(ZipReaderDamage, OverlappingEntriesAreRefused) {
  auto data = testsupport::textBytes(3000, 11);
  // Three central records over one local header: the classic bomb layout.
  CraftEntry first = file("a", data);
  CraftEntry second = file("b", data);
  auto archive = craftZip({first, second});
  auto r = openBytes(archive);
  ASSERT_TRUE(r);
  EXPECT_EQ(extractBytes(*r, 1), data);

  CraftEntry shared = file("a", data);
  CraftEntry alias = file("a", data);
  alias.localOffset = 0;
  CraftEntry separate = file("c", bytesOf("separate"));
  auto bomb = openBytes(craftZip({shared, alias, separate}));
  ASSERT_TRUE(bomb);
  // The alias's own local header is never referenced; it wrote the name "a" too.
  EXPECT_EQ(extractError(*bomb, 0), ErrorKind::Corrupt);
  EXPECT_EQ(extractError(*bomb, 1), ErrorKind::Corrupt);
  EXPECT_EQ(extractBytes(*bomb, 2), bytesOf("separate"));
}

TEST(ZipReaderDamage, PointersOutsideTheArchive) {
  CraftEntry lost = file("lost", bytesOf("x"), 0);
  lost.localOffset = 1u << 30;
  CraftEntry ok = file("ok", bytesOf("ok"), 0);
  auto bytes = craftZip({lost, ok});
  auto r = openBytes(bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(extractError(*r, 0), ErrorKind::Truncated);
  EXPECT_EQ(extractBytes(*r, 1), bytesOf("ok"));

  // An entry count larger than the directory holds gives a warning, not a failure.
  CraftOptions opt;
  opt.statedEntries = 5;
  auto r2 = openBytes(craftZip({ok}, opt));
  ASSERT_TRUE(r2);
  EXPECT_EQ(r2->entries().size(), 1u);
  EXPECT_FALSE(r2->warnings().empty());
}

// One wrong password in 256 passes the one-byte header check. The entry then
// fails as damage that names the password, and the next entry asks afresh
// rather than going on with the wrong one.
TEST(ZipReaderEncryption, AWrongPasswordThatPassesTheHeaderCheck) {
  const auto data = testsupport::textBytes(6000, 21);
  CraftEntry a = file("a", data), b = file("bb", data);
  a.password = b.password = "right";
  const auto bytes = craftZip({a, b});
  // The first entry's data follows its 30-byte local header and 1-byte name.
  const std::vector<uint8_t> header(bytes.begin() + 31, bytes.begin() + 43);
  const uint8_t check = uint8_t(ziptest::zcrc(data) >> 24);
  ASSERT_TRUE(ziptest::zipCryptoCheckPasses("right", header, check));
  std::string wrong;
  for (int k = 0; wrong.empty() && k < 100000; k++)
    if (ziptest::zipCryptoCheckPasses("w" + std::to_string(k), header, check)) wrong = "w" + std::to_string(k);
  ASSERT_FALSE(wrong.empty());

  auto r = openBytes(bytes);
  ASSERT_TRUE(r);
  const std::vector<std::string> answers = {wrong, "right"};
  size_t asked = 0;
  r->setPasswordFn([&](const fmt::Entry&, std::string& pw) {
    pw = answers[std::min(asked++, answers.size() - 1)];
    return true;
  });
  std::string why;
  const ErrorKind kind = extractError(*r, 0, &why);
  EXPECT_TRUE(kind == ErrorKind::Corrupt || kind == ErrorKind::Checksum || kind == ErrorKind::Truncated);
  EXPECT_NE(why.find("wrong password or damaged data"), std::string::npos) << why;
  EXPECT_EQ(extractBytes(*r, 1), data);
  EXPECT_EQ(asked, 2u);
  EXPECT_EQ(extractBytes(*r, 0), data);  // the right one is kept now
  EXPECT_EQ(asked, 2u);
}

}  // namespace
