// The tar reader on archives built block by block: every header form it must
// understand, and the damage it must survive with a clear message.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/deflate/gzip_encoder.h"
#include "codecs/lzw/lzw_encoder.h"
#include "base/error.h"
#include "tar/tar_format.h"
#include "tar/tar_pax.h"
#include "core/extract.h"
#include "tar/tar_reader.h"
#include "test_support.h"

namespace {

using namespace fmt::tar;
using fmt::ByteSource;
using fmt::memoryByteSource;
using Bytes = std::vector<uint8_t>;

struct Header {
  std::string name;
  char type = '0';
  uint64_t size = 0;
  int64_t mtime = 1000000000;
  std::string link;
  std::string magic = std::string("ustar\0" "00", 8);
  std::string prefix;
  bool base256Size = false;
};

Bytes block(const Header& h) {
  Bytes b(kBlock, 0);
  putString(b.data(), kName, h.name);
  putOctal(b.data(), kMode, 0644);
  putOctal(b.data(), kUid, 0);
  putOctal(b.data(), kGid, 0);
  if (h.base256Size) putBase256(b.data(), kSize, static_cast<int64_t>(h.size));
  else putOctal(b.data(), kSize, h.size);
  if (h.mtime < 0) putBase256(b.data(), kMtime, h.mtime);
  else putOctal(b.data(), kMtime, static_cast<uint64_t>(h.mtime));
  b[kTypeflag] = static_cast<uint8_t>(h.type);
  putString(b.data(), kLinkname, h.link);
  std::memcpy(b.data() + kMagic.offset, h.magic.data(), h.magic.size());
  putString(b.data(), kPrefix, h.prefix);
  putChecksum(b.data());
  return b;
}

// An archive under construction: members, then the end blocks.
struct Archive {
  Bytes bytes;
  void raw(const Bytes& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
  void data(const std::string& d) {
    bytes.insert(bytes.end(), d.begin(), d.end());
    bytes.resize(roundUpToBlock(bytes.size()), 0);
  }
  void member(Header h, const std::string& content = {}) {
    if (h.size == 0) h.size = content.size();
    raw(block(h));
    data(content);
  }
  void pax(const std::vector<std::pair<std::string, std::string>>& records, char type = 'x') {
    std::string body;
    for (const auto& [k, v] : records) appendPaxRecord(body, k, v);
    member({"PaxHeaders/x", type, body.size()}, body);
  }
  void end() { bytes.resize(bytes.size() + 2 * kBlock, 0); }
};

std::unique_ptr<TarReader> open(const Bytes& b, const std::string& name = "test.tar") {
  return TarReader::open(memoryByteSource(b), singleFileName(name));
}

std::string content(TarReader& r, size_t i) {
  fmt::MemoryOutStream out;
  r.extract(i, out);
  return std::string(out.data.begin(), out.data.end());
}

fmt::ErrorKind extractError(TarReader& r, size_t i) {
  try {
    content(r, i);
  } catch (const fmt::Error& e) {
    return e.kind();
  }
  ADD_FAILURE() << "entry " << i << " extracted without error";
  return fmt::ErrorKind::Usage;
}

TEST(TarReaderHeaders, UstarV7AndGnuNamesAndKinds) {
  Archive a;
  a.member({"file.txt"}, "hello");
  a.member({"name.txt", '0', 0, 0, "", std::string("ustar\0" "00", 8), "long/prefix"}, "p");
  a.member({"v7dir/", '\0', 0, 0, "", std::string(8, '\0')});
  a.member({"gnu.txt", '0', 0, 0, "", "ustar  \0", "ignored-in-gnu"}, "g");
  a.member({"sym", '2', 0, 0, "file.txt"});
  a.member({"hard", '1', 0, 0, "file.txt"});
  a.member({"dev", '3'});
  a.member({"fifo", '6'});
  a.member({"./dir/", '5'});
  a.end();
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->kind(), TarKind::Tar);
  const auto& e = r->entries();
  ASSERT_EQ(e.size(), 9u);
  EXPECT_EQ(e[0].name, "file.txt");
  EXPECT_EQ(content(*r, 0), "hello");
  EXPECT_EQ(e[0].mtime, 1000000000);
  EXPECT_EQ(e[1].name, "long/prefix/name.txt");
  EXPECT_EQ(e[2].name, "v7dir");
  EXPECT_EQ(e[2].kind, fmt::EntryKind::Folder);
  EXPECT_EQ(e[3].name, "gnu.txt");
  EXPECT_EQ(e[4].kind, fmt::EntryKind::Symlink);
  EXPECT_EQ(e[4].linkTarget, "file.txt");
  EXPECT_EQ(e[5].kind, fmt::EntryKind::Hardlink);
  EXPECT_EQ(e[6].kind, fmt::EntryKind::Device);
  EXPECT_EQ(e[7].kind, fmt::EntryKind::Fifo);
  EXPECT_EQ(e[8].name, "dir");
  EXPECT_EQ(e[8].kind, fmt::EntryKind::Folder);
  EXPECT_TRUE(r->warnings().empty());
}

TEST(TarReaderHeaders, GnuLongNamesAndBase256) {
  const std::string longName(300, 'n'), longLink(200, 'l');
  Archive a;
  a.member({"././@LongLink", 'L'}, longName + std::string(1, '\0'));
  a.member({"cut-name"}, "data");
  a.member({"././@LongLink", 'K'}, longLink);
  a.member({"link", '2', 0, 0, "cut"});
  Header big{"b256"};
  big.base256Size = true;
  a.member(big, "xyz");
  a.member({"before-1970", '0', 0, -86400}, "");
  a.end();
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 4u);
  EXPECT_EQ(r->entries()[0].name, longName);
  EXPECT_EQ(content(*r, 0), "data");
  EXPECT_EQ(r->entries()[1].linkTarget, longLink);
  EXPECT_EQ(r->entries()[2].size, 3u);
  EXPECT_EQ(content(*r, 2), "xyz");
  EXPECT_EQ(r->entries()[3].mtime, -86400);
}

TEST(TarReaderHeaders, PaxRecordsLocalAndGlobal) {
  const std::string jp = "\xE6\x97\xA5\xE6\x9C\xAC/\xE8\xAA\x9E.txt";
  Archive a;
  a.pax({{"mtime", "1600000000"}, {"comment", "x"}}, 'g');
  a.pax({{"path", jp}, {"mtime", "1234567890.75"}, {"hdrcharset", "ISO-IR 10646 2000 UTF-8"}});
  a.member({"stand-in"}, "one");
  a.member({"plain"}, "two");
  a.pax({{"linkpath", std::string(150, 't')}, {"mtime", "-1.5"}});
  a.member({"sl", '2'});
  a.pax({{"size", "4"}});
  Header lie{"sized"};
  lie.size = 99;  // pax size wins
  a.raw(block(lie));
  a.data("four");
  a.end();
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  const auto& e = r->entries();
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].name, jp);
  EXPECT_EQ(e[0].encoding, fmt::NameEncoding::Utf8);
  EXPECT_EQ(e[0].mtime, 1234567890);
  EXPECT_EQ(e[1].name, "plain");
  EXPECT_EQ(e[1].mtime, 1600000000);  // from the global header
  EXPECT_EQ(content(*r, 1), "two");
  EXPECT_EQ(e[2].linkTarget, std::string(150, 't'));
  EXPECT_EQ(e[2].mtime, -2);
  EXPECT_EQ(e[3].size, 4u);
  EXPECT_EQ(content(*r, 3), "four");
}

TEST(TarReaderHeaders, ShiftJisNamesAreMarkedSo) {
  Archive a;
  a.member({"\x93\xfa\x96\x7b\x8c\xea.txt"}, "sjis");  // 日本語.txt in Shift-JIS
  a.end();
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries()[0].encoding, fmt::NameEncoding::ShiftJis);
}

TEST(TarReaderHeaders, SignedChecksumsAreAccepted) {
  Header h{"\xe9t\xe9.txt"};
  Bytes b = block(h);
  // Redo the sum the way writers with signed chars did.
  std::memset(b.data() + kChecksum.offset, ' ', kChecksum.length);
  int sum = 0;
  for (uint8_t c : b) sum += static_cast<int8_t>(c);
  ASSERT_NE(sum, 0);
  char field[8];
  std::snprintf(field, sizeof field, "%06o", sum & 0777777);
  std::memcpy(b.data() + kChecksum.offset, field, 7);
  Archive a;
  a.raw(b);
  a.end();
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries().size(), 1u);
}

TEST(TarReaderEnd, OneZeroBlockThenEofAndGarbageAfterTheEnd) {
  Archive a;
  a.member({"a"}, "1");
  a.bytes.resize(a.bytes.size() + kBlock, 0);  // a single zero block, then nothing
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries().size(), 1u);
  EXPECT_TRUE(r->warnings().empty());

  Archive b;
  b.member({"a"}, "1");
  b.end();
  b.data("garbage that is not a header at all");
  r = open(b.bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries().size(), 1u);
  EXPECT_TRUE(r->warnings().empty());  // after two zero blocks nothing is read

  Archive c;
  c.member({"a"}, "1");
  c.bytes.resize(c.bytes.size() + kBlock, 0);
  c.data("garbage after a single zero block");
  r = open(c.bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries().size(), 1u);
  EXPECT_EQ(r->warnings().size(), 1u);
}

TEST(TarReaderDamage, BadHeaderStopsTheListingWithAWarning) {
  Archive a;
  a.member({"good"}, "ok");
  Bytes bad = block({"bad"});
  bad[0] ^= 1;  // checksum no longer matches
  a.raw(bad);
  a.member({"unreached"}, "x");
  a.end();
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries().size(), 1u);
  ASSERT_EQ(r->warnings().size(), 1u);
  EXPECT_NE(r->warnings()[0].find("damaged header"), std::string::npos);
  EXPECT_EQ(content(*r, 0), "ok");
}

TEST(TarReaderDamage, ClaimedSizeBeyondTheDataIsAClearError) {
  for (bool compressed : {false, true}) {
    Archive a;
    a.member({"small"}, "fine");
    Header h{"huge"};
    h.size = 10ull << 30;  // 10 GB stated, a few bytes present
    h.base256Size = true;
    a.raw(block(h));
    a.data("only this");
    Bytes bytes = a.bytes;
    if (compressed) {
      fmt::MemoryInStream in(a.bytes);
      fmt::MemoryOutStream out;
      fmt::codecs::gzipEncode(in, out);
      bytes = out.data;
    }
    auto r = open(bytes);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->entries().size(), 2u);
    EXPECT_EQ(r->entries()[1].size, 10ull << 30);
    EXPECT_EQ(extractError(*r, 1), fmt::ErrorKind::Truncated);
    EXPECT_FALSE(r->warnings().empty());
    EXPECT_EQ(content(*r, 0), "fine");
  }
}

TEST(TarReaderDamage, OversizedExtendedHeadersAreRefused) {
  Archive a;
  a.member({"first"}, "1");
  Header h{"././@LongLink", 'L'};
  h.size = kMaxExtendedHeader + 1;
  a.raw(block(h));
  a.end();
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries().size(), 1u);
  ASSERT_EQ(r->warnings().size(), 1u);
  EXPECT_NE(r->warnings()[0].find("too large"), std::string::npos);
}

TEST(TarReaderDamage, OverlongNamesStopTheListing) {
  Archive a;
  a.member({"first"}, "1");
  a.pax({{"path", std::string(70000, 'p')}});
  a.member({"stand-in"}, "2");
  a.end();
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries().size(), 1u);
  ASSERT_EQ(r->warnings().size(), 1u);
  EXPECT_NE(r->warnings()[0].find("a name longer than"), std::string::npos);
}

TEST(TarReaderDamage, MalformedPaxRecordsAreNoted) {
  Archive a;
  a.member({"PaxHeaders/x", 'x'}, "99 path=too-long-count\n");
  a.member({"kept"}, "k");
  a.end();
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 1u);
  EXPECT_EQ(r->entries()[0].name, "kept");
  EXPECT_EQ(r->warnings().size(), 1u);
}

TEST(TarReaderSparse, PaxMapsExpandHolesAsZeros) {
  // One file of 20 bytes: "AB" at 3, "CDE" at 10, a hole to the end.
  std::string expected(20, '\0');
  expected.replace(3, 2, "AB");
  expected.replace(10, 3, "CDE");
  Archive v00, v01, v10;
  v00.pax({{"GNU.sparse.size", "20"}, {"GNU.sparse.numblocks", "2"}, {"GNU.sparse.offset", "3"},
           {"GNU.sparse.numbytes", "2"}, {"GNU.sparse.offset", "10"}, {"GNU.sparse.numbytes", "3"}});
  v00.member({"s"}, "ABCDE");
  v01.pax({{"GNU.sparse.size", "20"}, {"GNU.sparse.map", "3,2,10,3"}, {"GNU.sparse.name", "real"}});
  v01.member({"GNUSparseFile.1/real"}, "ABCDE");
  v10.pax({{"GNU.sparse.major", "1"}, {"GNU.sparse.minor", "0"}, {"GNU.sparse.name", "real"},
           {"GNU.sparse.realsize", "20"}});
  std::string mapped = "2\n3\n2\n10\n3\n";
  mapped.resize(kBlock, '\0');
  v10.member({"GNUSparseFile.1/real"}, mapped + "ABCDE");
  for (Archive* a : {&v00, &v01, &v10}) {
    a->end();
    auto r = open(a->bytes);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->entries().size(), 1u);
    EXPECT_EQ(r->entries()[0].size, 20u);
    EXPECT_EQ(content(*r, 0), expected);
    if (a != &v00) EXPECT_EQ(r->entries()[0].name, "real");
  }
}

TEST(TarReaderSparse, OldGnuMapWithExtensionBlock) {
  // Six chunks: four in the header, two in an extension block.
  Header h{"old", 'S', 6, 0, "", "ustar  \0"};
  Bytes b = block(h);
  for (size_t i = 0; i < 4; i++) {
    putOctal(b.data(), {kGnuSparse + 24 * i, 12}, i * 10);
    putOctal(b.data(), {kGnuSparse + 24 * i + 12, 12}, 1);
  }
  b[kGnuIsExtended] = 1;
  putOctal(b.data(), kGnuRealSize, 100);
  putChecksum(b.data());
  Bytes ext(kBlock, 0);
  for (size_t i = 0; i < 2; i++) {
    putOctal(ext.data(), {24 * i, 12}, 40 + i * 10);
    putOctal(ext.data(), {24 * i + 12, 12}, 1);
  }
  Archive a;
  a.raw(b);
  a.raw(ext);
  a.data("abcdef");
  a.end();
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 1u);
  std::string expected(100, '\0');
  for (int i = 0; i < 6; i++) expected[static_cast<size_t>(i) * 10] = static_cast<char>('a' + i);
  EXPECT_EQ(content(*r, 0), expected);
}

TEST(TarReaderSparse, ImpossibleMapsAreRefusedPerEntry) {
  Archive a;
  a.pax({{"GNU.sparse.size", "10"}, {"GNU.sparse.map", "5,3,2,1"}});  // out of order
  a.member({"s1"}, "ABCD");
  a.pax({{"GNU.sparse.size", "10"}, {"GNU.sparse.map", "8,5"}});  // past the end
  a.member({"s2"}, "ABCDE");
  a.member({"after"}, "ok");
  a.end();
  auto r = open(a.bytes);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 3u);
  EXPECT_EQ(extractError(*r, 0), fmt::ErrorKind::Corrupt);
  EXPECT_EQ(extractError(*r, 1), fmt::ErrorKind::Corrupt);
  EXPECT_EQ(content(*r, 2), "ok");
}

TEST(TarReaderForms, KindsAndSingleFiles) {
  Archive a;
  a.member({"inside.txt"}, "tar member");
  a.end();
  a.bytes.resize(kRecord, 0);
  const Bytes text = testsupport::textBytes(30000, 1);

  auto gzipped = [](const Bytes& b, bool named) {
    fmt::MemoryInStream in(b);
    fmt::MemoryOutStream out;
    fmt::codecs::GzipHeader h;
    h.hasName = named;
    h.name = "stored-name.txt";
    fmt::codecs::gzipEncode(in, out, 6, h);
    return out.data;
  };
  auto lzw = [](const Bytes& b) {
    fmt::MemoryInStream in(b);
    fmt::MemoryOutStream out;
    fmt::codecs::lzwEncode(in, out);
    return out.data;
  };

  auto r = open(gzipped(a.bytes, false), "x.tgz");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->kind(), TarKind::TarGz);
  EXPECT_EQ(tarArchiveKind(*r), 2);
  EXPECT_EQ(content(*r, 0), "tar member");

  r = open(lzw(a.bytes), "x.taz");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->kind(), TarKind::TarZ);
  EXPECT_EQ(content(*r, 0), "tar member");

  r = open(gzipped(text, true), "whatever.gz");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->kind(), TarKind::Gz);
  ASSERT_EQ(r->entries().size(), 1u);
  EXPECT_EQ(r->entries()[0].name, "stored-name.txt");
  EXPECT_EQ(r->entries()[0].size, text.size());
  EXPECT_TRUE(r->entries()[0].hasCrc);
  EXPECT_EQ(content(*r, 0), std::string(text.begin(), text.end()));

  r = open(gzipped(text, false), "/some/dir/notes.txt.gz");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries()[0].name, "notes.txt");

  r = open(lzw(text), "data.Z");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->kind(), TarKind::Z);
  EXPECT_EQ(r->entries()[0].name, "data");
  EXPECT_EQ(content(*r, 0), std::string(text.begin(), text.end()));

  EXPECT_FALSE(open(text, "text.tar"));
  EXPECT_FALSE(open({}, "empty.tar"));
  EXPECT_EQ(singleFileName("a/b.TGZ"), "b.tar");
  EXPECT_EQ(singleFileName("plain"), "plain.out");
}

TEST(TarReaderForms, ExtractingInAnyOrderGivesTheSameBytes) {
  Archive a;
  std::vector<std::string> contents;
  for (int i = 0; i < 20; i++) {
    const Bytes d = testsupport::randomBytes(3000 + static_cast<size_t>(i) * 700, static_cast<uint32_t>(i));
    contents.emplace_back(d.begin(), d.end());
    a.member({"f" + std::to_string(i)}, contents.back());
  }
  a.end();
  fmt::MemoryInStream in(a.bytes);
  fmt::MemoryOutStream gz;
  fmt::codecs::gzipEncode(in, gz);
  auto r = open(gz.data, "x.tgz");
  ASSERT_TRUE(r);
  for (size_t i : {5, 6, 19, 0, 3, 3, 18}) EXPECT_EQ(content(*r, i), contents[i]) << i;
}

// Counts what the reader takes from the archive.
class CountingSource : public ByteSource {
 public:
  explicit CountingSource(Bytes b, uint64_t& counter) : inner_(memoryByteSource(std::move(b))), read_(counter) {}
  uint64_t size() const override { return inner_->size(); }
  size_t readAt(uint64_t pos, void* buf, size_t n) override {
    const size_t got = inner_->readAt(pos, buf, n);
    read_ += got;
    return got;
  }

 private:
  std::unique_ptr<ByteSource> inner_;
  uint64_t& read_;
};

TEST(TarReaderForms, ExtractingAllInOrderDecodesOnce) {
  Archive a;
  for (int i = 0; i < 40; i++) {
    const Bytes d = testsupport::randomBytes(20000, static_cast<uint32_t>(i) + 100);
    a.member({"f" + std::to_string(i)}, std::string(d.begin(), d.end()));
  }
  a.end();
  fmt::MemoryInStream in(a.bytes);
  fmt::MemoryOutStream gz;
  fmt::codecs::gzipEncode(in, gz);
  uint64_t taken = 0;
  auto r = TarReader::open(std::make_unique<CountingSource>(gz.data, taken), "x.tgz");
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 40u);
  const uint64_t listing = taken;
  EXPECT_LE(listing, gz.data.size() + (1 << 17));
  for (size_t i = 0; i < 40; i++) content(*r, i);
  // One more pass over the compressed data, not one per entry.
  EXPECT_LE(taken - listing, gz.data.size() + (1 << 17));
}

TEST(TarReaderForms, DamagedCompressedTarKeepsWhatWasListed) {
  Archive a;
  a.member({"one"}, std::string(100000, 'x'));
  const Bytes noise = testsupport::randomBytes(200000, 5);
  a.member({"two"}, std::string(noise.begin(), noise.end()));
  a.end();
  fmt::MemoryInStream in(a.bytes);
  fmt::MemoryOutStream gz;
  fmt::codecs::gzipEncode(in, gz);
  Bytes bad = gz.data;
  bad[bad.size() - 20000] ^= 0xFF;
  auto r = open(bad, "x.tgz");
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->warnings().empty());
  // The flipped byte lies in stored (incompressible) data: only the CRC sees it.
  ASSERT_EQ(r->entries().size(), 2u);
  EXPECT_EQ(content(*r, 0), std::string(100000, 'x'));
  EXPECT_EQ(extractError(*r, 1), fmt::ErrorKind::Checksum);
}

// Extracting while reading the headers (a walk) must give what the listing
// gives, decode the compressed data once, and check the stream's end.
Bytes compressed(const Bytes& plain, Filter f) {
  fmt::MemoryOutStream out;
  CompressingOutStream c(out, f, 6);
  c.write(plain.data(), plain.size());
  c.finish();
  return out.data;
}

std::unique_ptr<TarReader> walk(Bytes b, const std::string& name, uint64_t* taken = nullptr) {
  static uint64_t unused;
  return TarReader::open(std::make_unique<CountingSource>(std::move(b), taken ? *taken : unused),
                         singleFileName(name), 0, Opening::ForWalk);
}

// Every entry the walk meets with its bytes ("" for those without data).
std::vector<std::pair<std::string, std::string>> walkAll(TarReader& r) {
  std::vector<std::pair<std::string, std::string>> got;
  for (size_t i = 0; i < r.entries().size() || r.readMore(); ++i) got.emplace_back(r.entries()[i].name, content(r, i));
  return got;
}

Archive mixedArchive() {
  Archive a;
  a.member({"dir/", '5'});
  const Bytes noise = testsupport::randomBytes(1 << 20, 9);
  a.member({"dir/noise.bin"}, std::string(noise.begin(), noise.end()));
  a.pax({{"path", std::string(150, 'n') + "/long name.txt"}});
  a.member({"placeholder"}, "long");
  a.member({"empty"});
  a.member({"link", '2', 0, 0, "dir/noise.bin"});
  a.member({"text.txt"}, std::string(5000, 't'));
  a.member({"last/", '5'});  // no data after the last file's
  a.end();
  return a;
}

TEST(TarReaderWalk, GivesTheListingsEntriesAndBytesInEveryFormDecodingOnce) {
  const Archive a = mixedArchive();
  for (Filter f : {Filter::None, Filter::Gzip, Filter::Bzip2, Filter::Compress}) {
    const Bytes data = f == Filter::None ? a.bytes : compressed(a.bytes, f);
    auto listed = open(data, "x.tar");
    ASSERT_TRUE(listed);
    std::vector<std::pair<std::string, std::string>> want;
    for (size_t i = 0; i < listed->entries().size(); ++i) want.emplace_back(listed->entries()[i].name, content(*listed, i));
    uint64_t taken = 0;
    auto r = walk(data, "x.tar", &taken);
    ASSERT_TRUE(r);
    EXPECT_EQ(static_cast<int>(r->kind()), static_cast<int>(listed->kind()));
    EXPECT_TRUE(r->entries().empty()) << "a walk reads no header when opened";
    EXPECT_EQ(walkAll(*r), want) << filterName(f);
    EXPECT_FALSE(r->readMore());
    EXPECT_TRUE(r->warnings().empty()) << r->warnings().front();
    EXPECT_FALSE(r->damaged());
    // The start is read twice (to tell tar from a single file), nothing more.
    EXPECT_LE(taken, data.size() + (1 << 18)) << filterName(f) << " " << data.size();
  }
}

TEST(TarReaderWalk, TheLastFileFailsWhenTheStreamsCheckValueIsWrong) {
  Archive a;
  a.member({"one"}, std::string(3000, 'a'));
  a.member({"two"}, std::string(3000, 'b'));
  a.member({"after/", '5'});
  a.end();
  Bytes gz = compressed(a.bytes, Filter::Gzip);
  gz[gz.size() - 6] ^= 0x40;  // the CRC in the trailer
  auto r = walk(gz, "x.tgz");
  ASSERT_TRUE(r->readMore());
  EXPECT_EQ(content(*r, 0), std::string(3000, 'a'));
  ASSERT_TRUE(r->readMore());
  EXPECT_EQ(extractError(*r, 1), fmt::ErrorKind::Checksum);

  // Not extracting the files still leaves the damage known at the end.
  auto skipped = walk(gz, "x.tgz");
  while (skipped->readMore()) {
  }
  EXPECT_EQ(skipped->entries().size(), 3u);
  EXPECT_TRUE(skipped->damaged());
  ASSERT_FALSE(skipped->warnings().empty());
  EXPECT_NE(skipped->warnings().back().find("damaged"), std::string::npos);
}

TEST(TarReaderWalk, ATruncatedMemberFailsAndEndsTheWalk) {
  Archive a;
  const Bytes noise = testsupport::randomBytes(40000, 3);
  a.member({"cut"}, std::string(noise.begin(), noise.end()));
  a.member({"never"}, "x");
  a.end();
  for (Filter f : {Filter::None, Filter::Bzip2}) {
    Bytes plain(a.bytes.begin(), a.bytes.begin() + 20000);
    auto r = walk(f == Filter::None ? plain : compressed(plain, f), "x.tar");
    ASSERT_TRUE(r->readMore());
    EXPECT_EQ(extractError(*r, 0), fmt::ErrorKind::Truncated) << filterName(f);
    EXPECT_FALSE(r->readMore());
    EXPECT_EQ(r->entries().size(), 1u);
    EXPECT_TRUE(r->damaged());
  }
}

TEST(TarReaderWalk, ASingleFileLearnsItsSizeAndCheckValueByExtracting) {
  const Bytes text = testsupport::textBytes(300000, 4);
  for (Filter f : {Filter::Gzip, Filter::Bzip2, Filter::Compress}) {
    const Bytes data = compressed(text, f);
    uint64_t taken = 0;
    auto r = walk(data, "notes.txt.x", &taken);
    ASSERT_EQ(r->entries().size(), 1u);
    EXPECT_FALSE(r->readMore());
    EXPECT_EQ(content(*r, 0), std::string(text.begin(), text.end())) << filterName(f);
    EXPECT_EQ(r->entries()[0].size, text.size());
    EXPECT_LE(taken, data.size() + (1 << 17)) << filterName(f);
    if (f == Filter::Gzip) {
      EXPECT_TRUE(r->entries()[0].hasCrc);
      Bytes bad = data;
      bad[bad.size() - 7] ^= 1;
      auto damaged = walk(bad, "notes.gz");
      EXPECT_EQ(extractError(*damaged, 0), fmt::ErrorKind::Checksum);
    }
  }
}

// The extraction driver asks a walking reader for entries one by one and takes
// only those selected; folder stamps are set after their files.
TEST(TarReaderWalk, TheExtractionDriverWalksAndSelects) {
  testsupport::TempDir dir;
  const Archive a = mixedArchive();
  auto r = walk(compressed(a.bytes, Filter::Bzip2), "x.tbz");
  fmt::ExtractRequest req;
  req.destination = dir.path();
  req.overwrite = fmt::Overwrite::Always;
  req.select = [](const fmt::Entry& e) { return e.name != "text.txt"; };
  fmt::ExtractObserver quiet;
  const fmt::ExtractSummary s = fmt::extractEntries(*r, req, quiet);
  EXPECT_TRUE(s.ok());
  EXPECT_EQ(s.skipped, 1u);  // the link
  EXPECT_EQ(testsupport::readFile(dir / "dir/noise.bin"), testsupport::randomBytes(1 << 20, 9));
  EXPECT_TRUE(testsupport::fileExists(dir / (std::string(150, 'n') + "/long name.txt")));
  EXPECT_FALSE(testsupport::fileExists(dir / "text.txt"));
  EXPECT_EQ(fmt::platform::stat(dir / "dir").mtime, 1000000000);
}

}  // namespace
