// Multi-volume cabinet sets we write: every volume within the limit, chained
// by names, set id and index, files split across volumes marked as continued;
// cabextract and our reader get every byte back from the first volume; a
// cancelled or impossible write leaves nothing new and the old files as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "base/error.h"
#include "cab/cab_directory.h"
#include "cab/cab_reader.h"
#include "cab/cab_writer.h"
#include "core/names.h"
#include "platform/platform.h"
#include "staged_sources.h"
#include "test_support.h"

namespace fs = std::filesystem;
using namespace testsupport;
using fmt::SourceItem;
using fmt::cab::WriteOptions;

namespace {

size_t filesIn(const std::string& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

size_t filesUnder(const std::string& dir) {
  size_t n = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir)) n += e.is_regular_file();
  return n;
}

fmt::cab::Cabinet directoryOf(const std::string& path) {
  auto f = fmt::platform::File::open(path, fmt::platform::File::Read);
  std::vector<std::string> warnings;
  fmt::cab::Cabinet c = fmt::cab::readCabinet(*f, 0, warnings);
  EXPECT_TRUE(warnings.empty()) << path;
  return c;
}

std::string lastComponent(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// The chain as the headers tell it, and each volume's size against the limit.
// Returns how many volumes list each file.
std::map<std::string, size_t> checkChain(const std::vector<std::string>& volumes, uint64_t limit) {
  std::map<std::string, size_t> listed;
  uint16_t setId = directoryOf(volumes[0]).setId;
  for (size_t i = 0; i < volumes.size(); i++) {
    SCOPED_TRACE(volumes[i]);
    EXPECT_EQ(volumes[i], fmt::cab::volumeName(volumes[0], i));
    uint64_t size = fs::file_size(volumes[i]);
    EXPECT_LE(size, limit);
    fmt::cab::Cabinet c = directoryOf(volumes[i]);
    EXPECT_EQ(c.size, size);
    EXPECT_EQ(c.setId, setId);
    EXPECT_EQ(c.index, i);
    EXPECT_EQ(bool(c.flags & fmt::cab::kFlagPrevCabinet), i > 0);
    EXPECT_EQ(bool(c.flags & fmt::cab::kFlagNextCabinet), i + 1 < volumes.size());
    if (i > 0) {
      EXPECT_EQ(c.prevCabinet, lastComponent(volumes[i - 1]));
      EXPECT_EQ(c.prevDisk, "Disk " + std::to_string(i));
    }
    if (i + 1 < volumes.size()) {
      EXPECT_EQ(c.nextCabinet, lastComponent(volumes[i + 1]));
      EXPECT_EQ(c.nextDisk, "Disk " + std::to_string(i + 2));
    }
    EXPECT_FALSE(c.folders.empty());
    for (const auto& f : c.files) {
      listed[f.name]++;
      if (f.folderIndex >= fmt::cab::kContinuedFromPrev) {
        // A file continued from before sits first, one going on sits last.
        bool fromPrev = f.folderIndex != fmt::cab::kContinuedToNext;
        bool toNext = f.folderIndex != fmt::cab::kContinuedFromPrev;
        if (fromPrev) EXPECT_EQ(&f, &c.files.front()) << f.name;
        if (toNext) EXPECT_EQ(&f, &c.files.back()) << f.name;
      } else {
        EXPECT_LT(f.folderIndex, c.folders.size()) << f.name;
      }
    }
  }
  return listed;
}

void expectCabextractGetsAll(const std::string& first, const std::vector<Source>& sources, const TempDir& dir) {
  if (!haveTool("cabextract")) return;
  std::string out = dir / "cabextract";
  std::string log;
  EXPECT_EQ(run("cabextract -q -d " + sh(out) + " " + sh(first) + " 2>&1", &log), 0) << log;
  for (const Source& s : sources) EXPECT_EQ(readFile(out + "/" + s.name), s.data) << s.name;
  EXPECT_EQ(filesUnder(out), sources.size()) << "cabextract extracted more or fewer files";
}

void expectOurReaderGetsAll(const std::string& first, const std::vector<Source>& sources) {
  auto r = fmt::openCab(first);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), sources.size());
  for (size_t i = 0; i < sources.size(); i++) {
    EXPECT_EQ(fmt::utf8Name(r->entries()[i]), sources[i].name);
    fmt::MemoryOutStream out;
    r->extract(i, out);
    EXPECT_EQ(out.data, sources[i].data) << sources[i].name;
  }
}

struct Method {
  const char* label;
  uint16_t typeCompress;
};

class CabSpan : public ::testing::TestWithParam<Method> {};

// A file several volumes long, a few hundred small ones, empty ones, text.
TEST_P(CabSpan, BigAndManySmallFilesAcrossVolumes) {
  if (!haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  TempDir dir;
  std::vector<Source> sources = {{"empty.txt", {}}, {"big.bin", randomBytes(600000, 1)}};
  for (int i = 0; i < 300; i++)
    sources.push_back({"small/s" + std::to_string(i) + ".txt", textBytes(static_cast<size_t>(i * 37 % 3000), 10 + i)});
  sources.push_back({"text.txt", textBytes(400000, 2)});
  sources.push_back({"empty2.txt", {}});
  WriteOptions opt;
  opt.typeCompress = GetParam().typeCompress;
  opt.volumeLimit = 100 * 1024;
  fmt::platform::makeFolders(dir / "set");
  auto volumes = fmt::cab::writeCabinet(dir / "set/ARCHIVE.cab", stage(dir, sources), opt);
  // 600 KB that do not compress need six volumes or more whatever the method.
  EXPECT_GE(volumes.size(), 6u);
  EXPECT_EQ(filesIn(dir / "set"), volumes.size()) << "scratch or temporary files left";
  std::string sizes;
  for (const auto& v : volumes) sizes += " " + std::to_string(fs::file_size(v));
  std::printf("%s: %zu volumes:%s\n", GetParam().label, volumes.size(), sizes.c_str());
  auto listed = checkChain(volumes, opt.volumeLimit);
  EXPECT_GE(listed["big.bin"], 6u);
  expectCabextractGetsAll(volumes[0], sources, dir);
  expectOurReaderGetsAll(volumes[0], sources);
}

INSTANTIATE_TEST_SUITE_P(Methods, CabSpan,
                         ::testing::Values(Method{"stored", 0}, Method{"mszip", 1},
                                           Method{"lzx21", fmt::cab::lzxTypeCompress(21)}),
                         [](const auto& info) { return std::string(info.param.label); });

// Stored files of exactly one block each, volumes of two blocks and a bit: no
// room for a third block that would start a file, so each volume ends a
// folder and no file is split.
TEST(CabSpanCuts, OneBlockFilesCutBetweenFolders) {
  if (!haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  TempDir dir;
  std::vector<Source> sources;
  for (int i = 0; i < 10; i++) sources.push_back({"f" + std::to_string(i) + ".bin", randomBytes(32768, 50 + i)});
  WriteOptions opt;
  opt.typeCompress = 0;
  opt.volumeLimit = 70000;  // two blocks and a directory
  fmt::platform::makeFolders(dir / "set");
  auto volumes = fmt::cab::writeCabinet(dir / "set/cuts.cab", stage(dir, sources), opt);
  EXPECT_EQ(volumes.size(), 5u);
  auto listed = checkChain(volumes, opt.volumeLimit);
  EXPECT_EQ(listed.size(), sources.size());
  for (const auto& [name, count] : listed) EXPECT_EQ(count, 1u) << name;
  expectCabextractGetsAll(volumes[0], sources, dir);
  expectOurReaderGetsAll(volumes[0], sources);
}

// Folders split by the folder limit: a new folder may start inside a volume or at its start.
TEST(CabSpanCuts, SeveralFoldersAcrossVolumes) {
  if (!haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  TempDir dir;
  std::vector<Source> sources;
  for (int i = 0; i < 12; i++) sources.push_back({"d/f" + std::to_string(i), textBytes(50000 + 1000 * i, 70 + i)});
  sources.push_back({"z/empty", {}});
  WriteOptions opt;
  opt.typeCompress = 1;
  opt.folderLimit = 120000;
  opt.volumeLimit = 40000;
  fmt::platform::makeFolders(dir / "set");
  auto volumes = fmt::cab::writeCabinet(dir / "set/folders.cab", stage(dir, sources), opt);
  EXPECT_GE(volumes.size(), 3u);
  checkChain(volumes, opt.volumeLimit);
  expectCabextractGetsAll(volumes[0], sources, dir);
  expectOurReaderGetsAll(volumes[0], sources);
}

// A folder ending exactly on a block boundary with empty files after its
// last byte: no block covers them, yet they belong to the set.
TEST(CabSpanCuts, EmptyFilesWhereAFolderEndsOnABlock) {
  if (!haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  std::vector<Source> sources = {{"a.bin", randomBytes(65536, 1)}, {"e1", {}}, {"e2", {}},
                                 {"b.bin", randomBytes(60000, 2)}, {"e3", {}}};
  for (uint64_t limit : {100000u, 1000000u}) {
    SCOPED_TRACE(limit);
    TempDir dir;
    WriteOptions opt;
    opt.typeCompress = 0;
    opt.folderLimit = 65536;
    opt.volumeLimit = limit;
    fmt::platform::makeFolders(dir / "set");
    auto volumes = fmt::cab::writeCabinet(dir / "set/tail.cab", stage(dir, sources), opt);
    EXPECT_EQ(volumes.size(), limit < 200000 ? 2u : 1u);
    EXPECT_EQ(checkChain(volumes, opt.volumeLimit).size(), sources.size());
    expectCabextractGetsAll(volumes[0], sources, dir);
    expectOurReaderGetsAll(volumes[0], sources);
  }
}

// Sets of assorted files, sizes, limits and methods from fixed seeds.
TEST(CabSpanCuts, AssortedSets) {
  if (!haveTool("cabextract")) GTEST_SKIP() << "cabextract not installed";
  const uint16_t methods[] = {0, 1, fmt::cab::lzxTypeCompress(21)};
  for (uint32_t seed = 1; seed <= 12; seed++) {
    SCOPED_TRACE(seed);
    uint32_t r = seed * 2654435761u;
    auto next = [&r](uint32_t n) {
      r = r * 1664525u + 1013904223u;
      return (r >> 8) % n;
    };
    std::vector<Source> sources;
    size_t count = 1 + next(40);
    for (size_t i = 0; i < count; i++) {
      size_t kind = next(4);
      size_t size = kind == 0 ? 0 : kind == 1 ? 1 + next(5000) : kind == 2 ? 30000 + next(40000) : 100000 + next(200000);
      sources.push_back({"d" + std::to_string(i % 3) + "/f" + std::to_string(i),
                         next(2) ? randomBytes(size, seed * 100 + i) : textBytes(size, seed * 100 + i)});
    }
    TempDir dir;
    WriteOptions opt;
    opt.typeCompress = methods[seed % 3];
    opt.folderLimit = next(2) ? 100000 : 64u << 20;
    opt.volumeLimit = 40000 + next(110000);
    fmt::platform::makeFolders(dir / "set");
    auto volumes = fmt::cab::writeCabinet(dir / "set/mix.cab", stage(dir, sources), opt);
    EXPECT_EQ(checkChain(volumes, opt.volumeLimit).size(), sources.size());
    expectCabextractGetsAll(volumes[0], sources, dir);
    expectOurReaderGetsAll(volumes[0], sources);
  }
}

TEST(CabSpanNames, NumberGoesBeforeTheExtension) {
  EXPECT_EQ(fmt::cab::volumeName("d/ARCHIVE.cab", 0), "d/ARCHIVE.cab");
  EXPECT_EQ(fmt::cab::volumeName("d/ARCHIVE.cab", 1), "d/ARCHIVE2.cab");
  EXPECT_EQ(fmt::cab::volumeName("d/ARCHIVE.cab", 11), "d/ARCHIVE12.cab");
  EXPECT_EQ(fmt::cab::volumeName("d.x/noext", 1), "d.x/noext2");
  EXPECT_EQ(fmt::cab::volumeName("C:\\a.b\\set.tar.cab", 2), "C:\\a.b\\set.tar3.cab");
}

// A limit the whole set fits in gives one ordinary cabinet.
TEST(CabSpanNames, OneVolumeIsAPlainCabinet) {
  TempDir dir;
  std::vector<Source> sources = {{"a.txt", textBytes(1000, 1)}, {"b.txt", textBytes(2000, 2)}};
  WriteOptions opt;
  opt.volumeLimit = 1 << 20;
  auto volumes = fmt::cab::writeCabinet(dir / "one.cab", stage(dir, sources), opt);
  ASSERT_EQ(volumes.size(), 1u);
  fmt::cab::Cabinet c = directoryOf(volumes[0]);
  EXPECT_EQ(c.flags, 0);
  for (const auto& f : c.files) EXPECT_EQ(f.folderIndex, 0);
  expectOurReaderGetsAll(volumes[0], sources);
}

TEST(CabSpanSafety, CancelledOrImpossibleSetLeavesTheOldFiles) {
  TempDir dir;
  std::vector<Source> sources = {{"big.bin", randomBytes(500000, 3)}};
  auto items = stage(dir, sources);
  fmt::platform::makeFolders(dir / "set");
  writeFile(dir / "set/old.cab", std::string("old first"));
  writeFile(dir / "set/old2.cab", std::string("old second"));
  WriteOptions opt;
  opt.typeCompress = 0;
  opt.volumeLimit = 100000;
  opt.progress = [](uint64_t done, uint64_t) { return done < 400000; };  // after some volumes are written
  try {
    fmt::cab::writeCabinet(dir / "set/old.cab", items, opt);
    ADD_FAILURE() << "not cancelled";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Cancelled);
  }
  EXPECT_EQ(filesIn(dir / "set"), 2u);
  EXPECT_EQ(readFile(dir / "set/old.cab"), std::vector<uint8_t>({'o', 'l', 'd', ' ', 'f', 'i', 'r', 's', 't'}));
  EXPECT_EQ(readFile(dir / "set/old2.cab").size(), 10u);

  opt.progress = nullptr;
  opt.volumeLimit = 20000;  // below one stored block
  try {
    fmt::cab::writeCabinet(dir / "set/old.cab", items, opt);
    ADD_FAILURE() << "a volume too small for one block was accepted";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Usage);
  }
  EXPECT_EQ(filesIn(dir / "set"), 2u);
  EXPECT_EQ(readFile(dir / "set/old.cab").size(), 9u);
}

}  // namespace
