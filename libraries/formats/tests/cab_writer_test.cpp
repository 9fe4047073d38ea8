// Cabinets we write, read back by cabextract and by our reader: every method
// and LZX window, empty files, frame boundaries, Shift-JIS names with 5C trail
// bytes, folders, a 200 MB file; and what a failed write leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "cab/cab_reader.h"
#include "cab/cab_writer.h"
#include "core/names.h"
#include "base/error.h"
#include "md5.h"
#include "platform/platform.h"
#include "staged_sources.h"
#include "test_support.h"

namespace fs = std::filesystem;
using namespace testsupport;
using fmt::SourceItem;
using fmt::cab::WriteOptions;

namespace {

struct Method {
  const char* label;
  uint16_t typeCompress;
};

std::vector<Method> allMethods() {
  std::vector<Method> m = {{"none", 0}, {"mszip", 1}};
  static const char* lzx[] = {"lzx15", "lzx16", "lzx17", "lzx18", "lzx19", "lzx20", "lzx21"};
  for (int bits = 15; bits <= 21; bits++) m.push_back({lzx[bits - 15], fmt::cab::lzxTypeCompress(bits)});
  return m;
}

// cabextract's test listing: stored name ('\' shown as '/') and MD5 per file.
std::vector<std::pair<std::string, std::string>> cabextractTest(const std::string& cab, int* status) {
  std::string out;
  *status = run("cabextract -t " + sh(cab) + " 2>&1", &out);
  std::vector<std::pair<std::string, std::string>> files;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() < 40 || line.compare(0, 2, "  ") != 0) continue;
    std::string md5 = line.substr(line.size() - 32), rest = line.substr(0, line.size() - 32);
    while (!rest.empty() && rest.back() == ' ') rest.pop_back();
    if (rest.size() < 6 || rest.compare(rest.size() - 4, 4, "  OK") != 0) continue;
    files.emplace_back(rest.substr(2, rest.size() - 6), md5);
  }
  return files;
}

std::string storedSlashed(const std::string& utf8Name) {
  bool utf8 = false;
  std::string s = fmt::cab::storedName(utf8Name, utf8);
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

std::vector<Source> mixedSources() {
  return {
      {"empty.txt", {}},
      {"frames.txt", textBytes(3 * 32768 + 100, 1)},  // crosses three frame boundaries
      {"random.bin", randomBytes(70000, 2)},
      {"exact.bin", textBytes(32768, 3)},             // ends on a frame boundary
      {"\xE3\x82\xBD\xE8\xA1\xA8/\xE8\x83\xBD\xE5\x8A\x9B.txt", textBytes(5000, 4)},  // ソ表/能力: 5C trails
      {"dir/sub/deep.txt", textBytes(100, 5)},
      {"caf\xC3\xA9-\xE2\x82\xAC.txt", textBytes(10, 6)},  // no Shift-JIS form: stored as UTF-8
      {"empty2.txt", {}},
  };
}

void expectReadBack(const std::string& cab, const std::vector<Source>& sources) {
  auto r = fmt::openCab(cab);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), sources.size());
  for (size_t i = 0; i < sources.size(); i++) {
    const fmt::Entry& e = r->entries()[i];
    fmt::MemoryOutStream out;
    r->extract(i, out);
    EXPECT_EQ(out.data, sources[i].data) << e.name;
    EXPECT_EQ(fmt::utf8Name(e), sources[i].name);
  }
}

class CabRoundTrip : public ::testing::TestWithParam<Method> {};

TEST_P(CabRoundTrip, CabextractAndOurReaderGetEveryByte) {
  if (!haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  TempDir dir;
  std::vector<Source> sources = mixedSources();
  WriteOptions opt;
  opt.typeCompress = GetParam().typeCompress;
  std::string cab = dir / "out.cab";
  fmt::cab::writeCabinet(cab, stage(dir, sources), opt);

  int status = -1;
  auto listed = cabextractTest(cab, &status);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(listed.size(), sources.size());
  for (size_t i = 0; i < sources.size(); i++) {
    EXPECT_EQ(listed[i].first, storedSlashed(sources[i].name)) << i;
    EXPECT_EQ(listed[i].second, md5Hex(sources[i].data.data(), sources[i].data.size())) << sources[i].name;
  }
  expectReadBack(cab, sources);
}

INSTANTIATE_TEST_SUITE_P(Methods, CabRoundTrip, ::testing::ValuesIn(allMethods()),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(CabWriter, FilesLandInTheirFoldersWhenCabextractExtracts) {
  if (!haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  TempDir dir;
  std::vector<Source> sources = {{"top.txt", textBytes(40000, 7)}, {"a/b/c.bin", randomBytes(33000, 8)}};
  std::string cab = dir / "out.cab";
  fmt::cab::writeCabinet(cab, stage(dir, sources), WriteOptions{});
  ASSERT_EQ(run("cabextract -q -d " + sh(dir / "x") + " " + sh(cab)), 0);
  for (const Source& s : sources) EXPECT_EQ(readFile(dir / ("x/" + s.name)), s.data) << s.name;
}

TEST(CabWriter, NamesStampsAndAttributesKept) {
  TempDir dir;
  std::vector<Source> sources = mixedSources();
  std::vector<SourceItem> items = stage(dir, sources);
  items[1].attributes = fmt::kAttrReadOnly | fmt::kAttrHidden | fmt::kAttrSystem;
  std::vector<SourceItem> withFolder = items;
  SourceItem folder;
  folder.name = "dir";
  folder.isFolder = true;
  folder.attributes = fmt::kAttrFolder;
  withFolder.insert(withFolder.begin(), folder);  // cabinets store no folders
  std::string cab = dir / "out.cab";
  fmt::cab::writeCabinet(cab, withFolder, WriteOptions{});
  auto r = fmt::openCab(cab);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), items.size());
  for (size_t i = 0; i < items.size(); i++) {
    const fmt::Entry& e = r->entries()[i];
    uint16_t date, time;
    fmt::unixToDosTime(items[i].mtime, date, time);
    EXPECT_EQ(e.dosDate, date);
    EXPECT_EQ(e.dosTime, time);
  }
  EXPECT_EQ(r->entries()[1].attributes, fmt::kAttrReadOnly | fmt::kAttrHidden | fmt::kAttrSystem);
  EXPECT_EQ(r->entries()[0].attributes, fmt::kAttrArchive);
  // Japanese names stay Shift-JIS, the 5C trail bytes inside characters.
  EXPECT_EQ(r->entries()[4].encoding, fmt::NameEncoding::ShiftJis);
  EXPECT_EQ(r->entries()[4].name, "\x83\x5C\x95\x5C/\x94\x5C\x97\xCD.txt");
  EXPECT_EQ(r->entries()[6].encoding, fmt::NameEncoding::Utf8);
}

TEST(CabWriter, MszipBlocksReferBackIntoThePreviousFrame) {
  if (!haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  TempDir dir;
  // Random bytes compress only through repeats: 16 KB of them 80 times over
  // (40 frames, more than the writer encodes in one batch) shrink to little
  // more than one copy only if every frame, even a batch's first, sees the last.
  std::vector<uint8_t> unit = randomBytes(16384, 9), data;
  for (int i = 0; i < 80; i++) data.insert(data.end(), unit.begin(), unit.end());
  std::string cab = dir / "out.cab";
  fmt::cab::writeCabinet(cab, stage(dir, {{"repeats.bin", data}}), WriteOptions{});
  EXPECT_LT(fs::file_size(cab), 2 * 16384u);  // a lost history costs another 16 KB
  int status = -1;
  auto listed = cabextractTest(cab, &status);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].second, md5Hex(data.data(), data.size()));
}

TEST(CabWriter, FoldersSplitAtTheLimitAndStayReadable) {
  if (!haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  TempDir dir;
  std::vector<Source> sources;
  for (int i = 0; i < 6; i++) sources.push_back({"f" + std::to_string(i), textBytes(30000 + i, 20 + i)});
  WriteOptions opt;
  opt.typeCompress = fmt::cab::lzxTypeCompress(16);
  opt.folderLimit = 70000;
  std::string cab = dir / "out.cab";
  fmt::cab::writeCabinet(cab, stage(dir, sources), opt);
  auto r = fmt::openCab(cab);
  ASSERT_TRUE(r);
  auto* reader = dynamic_cast<fmt::cab::CabReader*>(r.get());
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->set().folders.size(), 3u);
  int status = -1;
  auto listed = cabextractTest(cab, &status);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(listed.size(), sources.size());
  for (size_t i = 0; i < sources.size(); i++)
    EXPECT_EQ(listed[i].second, md5Hex(sources[i].data.data(), sources[i].data.size()));
  expectReadBack(cab, sources);
}

TEST(CabWriter, FailedOrCancelledWriteLeavesTheOldArchive) {
  TempDir dir;
  std::vector<SourceItem> items = stage(dir, {{"big.txt", textBytes(300000, 30)}});
  std::string cab = dir / "keep.cab";
  writeFile(cab, std::string("old contents"));
  size_t filesBefore = std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator());

  fmt::platform::failWritesAfter(50000);
  EXPECT_THROW(fmt::cab::writeCabinet(cab, items, WriteOptions{}), fmt::Error);
  fmt::platform::failWritesAfter(-1);
  EXPECT_EQ(readFile(cab), std::vector<uint8_t>({'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't', 's'}));

  WriteOptions cancel;
  cancel.progress = [](uint64_t done, uint64_t) { return done < 100000; };
  try {
    fmt::cab::writeCabinet(cab, items, cancel);
    ADD_FAILURE() << "not cancelled";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Cancelled);
  }
  EXPECT_EQ(readFile(cab).size(), 12u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), static_cast<long>(filesBefore));
}

TEST(CabWriter, WhatACabinetCannotHoldIsRefused) {
  TempDir dir;
  std::vector<SourceItem> items = stage(dir, {{std::string(256, 'n'), {1, 2, 3}}});
  std::string cab = dir / "out.cab";
  try {
    fmt::cab::writeCabinet(cab, items, WriteOptions{});
    ADD_FAILURE() << "a 256-byte name was written";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Usage);
  }
  EXPECT_FALSE(fileExists(cab));
  EXPECT_THROW(fmt::cab::writeCabinet(cab, {}, WriteOptions{}), fmt::Error);
  WriteOptions quantum;
  quantum.typeCompress = 2;
  EXPECT_THROW(fmt::cab::writeCabinet(cab, stage(dir, {{"a", {1}}}), quantum), fmt::Error);
  EXPECT_FALSE(fileExists(cab));
}

// 200 MB through one MSZIP folder: cabextract and our reader agree with the source.
TEST(CabWriterLarge, TwoHundredMegabyteFile) {
  if (!haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  TempDir dir;
  std::string src = dir / "big.bin";
  Md5 md5;
  {
    auto f = fmt::platform::File::open(src, fmt::platform::File::Truncate);
    std::vector<uint8_t> text = textBytes(1 << 20, 40), noise = randomBytes(1 << 16, 41);
    for (int i = 0; i < 200; i++) {
      // Text with a little noise, shifted per megabyte so that no block repeats.
      std::vector<uint8_t> chunk(text.begin() + (i * 4099) % 65536, text.end());
      chunk.insert(chunk.end(), text.begin(), text.begin() + (i * 4099) % 65536);
      std::copy(noise.begin(), noise.begin() + 512, chunk.begin() + (i * 7919) % (chunk.size() - 512));
      f->write(chunk.data(), chunk.size());
      md5.update(chunk.data(), chunk.size());
    }
    f->close();
  }
  std::string want = md5.hex();
  SourceItem it;
  it.diskPath = src;
  it.size = 200u << 20;
  it.name = "big.bin";
  std::string cab = dir / "big.cab";
  fmt::cab::writeCabinet(cab, {it}, WriteOptions{});
  fs::remove(src);

  int status = -1;
  auto listed = cabextractTest(cab, &status);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].second, want);

  auto r = fmt::openCab(cab);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->entries()[0].size, 200u << 20);
  class Sink : public fmt::OutStream {
   public:
    void write(const void* p, size_t n) override { m.update(p, n); }
    Md5 m;
  } sink;
  r->extract(0, sink);
  EXPECT_EQ(sink.m.hex(), want);
}

}  // namespace
