// The Cabinet reader against the public corpora: the listings and MD5 sums
// cabextract printed, multi-volume sets, self-extractor search, and damaged
// cabinets that must fail cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "cab/cab_reader.h"
#include "core/archive.h"
#include "base/error.h"
#include "core/extract.h"
#include "md5.h"
#include "test_support.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

struct Expected {
  std::string name;
  bool ok = false;
  std::string md5;
};

// The per-file lines of a cabextract "-t" report: "  NAME  OK   MD5" or "  NAME  failed (...)".
std::vector<Expected> parseExpected(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<Expected> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() < 3 || line.compare(0, 2, "  ") != 0 || line[2] == ' ') continue;
    Expected e;
    size_t failed = line.rfind("  failed (");
    if (failed != std::string::npos) {
      e.name = line.substr(2, failed - 2);
    } else if (line.size() > 36) {
      e.md5 = line.substr(line.size() - 32);
      std::string rest = line.substr(0, line.size() - 32);
      while (!rest.empty() && rest.back() == ' ') rest.pop_back();
      if (rest.size() < 4 || rest.compare(rest.size() - 4, 4, "  OK") != 0) continue;
      e.name = rest.substr(2, rest.size() - 6);
      e.ok = true;
    } else {
      continue;
    }
    out.push_back(e);
  }
  return out;
}

bool expectedExitZero(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return all.find("exit=0") != std::string::npos;
}

class Md5Stream : public fmt::OutStream {
 public:
  void write(const void* p, size_t n) override { md5.update(p, n); }
  Md5 md5;
};

std::string entryMd5(fmt::ArchiveReader& r, size_t i) {
  Md5Stream s;
  r.extract(i, s);
  return s.md5.hex();
}

// cabextract shows names with every '\' byte as '/', Shift-JIS or not.
std::string slashed(std::string s) {
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

std::string cabDir(const char* sub) { return testdata().empty() ? "" : testdata() + "/cab/" + sub; }

std::vector<std::string> cabsIn(const std::string& dir) {
  std::vector<std::string> out;
  for (auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".cab") out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

#define REQUIRE_TESTDATA() \
  if (testdata().empty()) GTEST_SKIP() << "SUITE_TESTDATA not set"

// Names as stored with '/' for '\', and the MD5 of every entry.
std::vector<Expected> readAll(const std::string& path) {
  auto r = fmt::openCab(path);
  if (!r) throw std::runtime_error(path + " not recognised");
  std::vector<Expected> out;
  for (size_t i = 0; i < r->entries().size(); i++) out.push_back({slashed(r->entries()[i].name), true, entryMd5(*r, i)});
  return out;
}

TEST(CabValidCorpus, NamesAndContentsMatchCabextract) {
  REQUIRE_TESTDATA();
  int checked = 0;
  for (const std::string& name : cabsIn(cabDir("valid"))) {
    std::string report = cabDir("expected") + "/cabextract/" + name + "-t.txt";
    if (!expectedExitZero(report) || name == "dirwalk-vulns.cab") continue;  // dirwalk: cabextract renames
    SCOPED_TRACE(name);
    std::vector<Expected> want = parseExpected(report), got = readAll(cabDir("valid") + "/" + name);
    if (name.rfind("search", 0) == 0) {
      // cabextract orders the cabinets it finds in a file its own way.
      auto key = [](const Expected& a, const Expected& b) { return std::tie(a.name, a.md5) < std::tie(b.name, b.md5); };
      std::sort(want.begin(), want.end(), key);
      std::sort(got.begin(), got.end(), key);
    }
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); i++) {
      if (name.rfind("utf8-stresstest", 0) != 0) EXPECT_EQ(got[i].name, slashed(want[i].name)) << i;
      EXPECT_EQ(got[i].md5, want[i].md5) << i << " " << got[i].name;
    }
    checked++;
  }
  EXPECT_GE(checked, 25);
}

TEST(CabValidCorpus, EntriesCarryMethodStampAndEncoding) {
  REQUIRE_TESTDATA();
  auto r = fmt::openCab(cabDir("valid") + "/mszip_lzx_qtm.cab");
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 3u);
  EXPECT_EQ(r->entries()[0].method, "MSZIP");
  EXPECT_EQ(r->entries()[1].method.rfind("LZX:", 0), 0u);
  EXPECT_EQ(r->entries()[2].method.rfind("Quantum:", 0), 0u);
  for (const auto& e : r->entries()) {
    EXPECT_NE(e.dosDate, 0);
    EXPECT_EQ(e.mtime, fmt::dosToUnixTime(e.dosDate, e.dosTime));
    EXPECT_GT(e.packedSize, 0u);
  }
  auto utf = fmt::openCab(cabDir("valid") + "/case-utf8.cab");
  ASSERT_TRUE(utf);
  EXPECT_EQ(utf->entries()[0].encoding, fmt::NameEncoding::Utf8);
  EXPECT_EQ(utf->entries()[0].name.rfind("latin1/upper/", 0), 0u);
}

TEST(CabNames, ShiftJisTrailByte5CIsNoSeparator) {
  REQUIRE_TESTDATA();
  auto r = fmt::openCab(cabDir("valid") + "/encoding-sjis.cab");
  ASSERT_TRUE(r);
  bool sawTrail5C = false;
  for (const auto& e : r->entries()) {
    EXPECT_EQ(e.encoding, fmt::NameEncoding::ShiftJis);
    EXPECT_EQ(e.name.find('/'), std::string::npos) << e.name;
    sawTrail5C |= e.name.find("\x83\x5C") != std::string::npos;
  }
  EXPECT_TRUE(sawTrail5C);
  EXPECT_EQ(fmt::cab::entryName("a\\\x83\x5C\\b", false), "a/\x83\x5C/b");
  EXPECT_EQ(fmt::cab::entryName("a\\\xE3\x81\x82\\b", true), "a/\xE3\x81\x82/b");
}

TEST(CabMultiVolume, SetReadsAsOneFromAnyPart) {
  REQUIRE_TESTDATA();
  std::vector<Expected> first = readAll(cabDir("valid") + "/split-1.cab");
  std::vector<Expected> middle = readAll(cabDir("valid") + "/split-3.cab");
  std::vector<Expected> want = parseExpected(cabDir("expected") + "/cabextract/split-1.cab-t.txt");
  ASSERT_EQ(first.size(), want.size());
  ASSERT_EQ(middle.size(), want.size());
  for (size_t i = 0; i < want.size(); i++) {
    EXPECT_EQ(first[i].md5, want[i].md5);
    EXPECT_EQ(middle[i].md5, want[i].md5);
  }
}

TEST(CabMultiVolume, PartsFoundBySetIdWhenStoredNamesDiffer) {
  REQUIRE_TESTDATA();
  // The parts name their neighbours "cabd_multi_basic_ptN.cab", which are not there.
  std::vector<Expected> a = readAll(cabDir("valid") + "/multi_basic_pt1.cab");
  std::vector<Expected> b = readAll(cabDir("valid") + "/multi_basic_pt4.cab");
  ASSERT_EQ(a.size(), 3u);
  ASSERT_EQ(b.size(), a.size());
  for (size_t i = 0; i < a.size(); i++) {
    EXPECT_EQ(a[i].name, b[i].name);
    EXPECT_EQ(a[i].md5, b[i].md5);
  }
}

TEST(CabMultiVolume, MissingPartFailsOnlyTheFilesThatNeedIt) {
  REQUIRE_TESTDATA();
  TempDir dir;
  fs::copy_file(cabDir("valid") + "/split-1.cab", dir / "split-1.cab");
  fs::copy_file(cabDir("valid") + "/split-2.cab", dir / "split-2.cab");
  auto r = fmt::openCab(dir / "split-1.cab");
  ASSERT_TRUE(r);
  std::vector<Expected> want = parseExpected(cabDir("expected") + "/cabextract/split-1.cab-t.txt");
  // Files that start in the missing parts are not known at all.
  ASSERT_LT(r->entries().size(), want.size());
  size_t good = 0, bad = 0;
  for (size_t i = 0; i < r->entries().size(); i++) {
    EXPECT_EQ(r->entries()[i].name, want[i].name);
    try {
      EXPECT_EQ(entryMd5(*r, i), want[i].md5);
      good++;
    } catch (const fmt::Error& e) {
      EXPECT_EQ(e.kind(), fmt::ErrorKind::Truncated) << e.what();
      EXPECT_NE(std::string(e.what()).find("Split-3.CAB"), std::string::npos) << e.what();
      bad++;
    }
  }
  EXPECT_GT(good, 0u);
  EXPECT_GT(bad, 0u);
}

TEST(CabRandomAccess, AnyOrderGivesTheSameBytes) {
  REQUIRE_TESTDATA();
  for (const char* name : {"split-1.cab", "mszip_lzx_qtm.cab", "normal_2files_2folders.cab"}) {
    SCOPED_TRACE(name);
    auto r = fmt::openCab(cabDir("valid") + "/" + name);
    ASSERT_TRUE(r);
    size_t n = r->entries().size();
    std::vector<std::string> forward(n), backward(n);
    for (size_t i = 0; i < n; i++) forward[i] = entryMd5(*r, i);
    for (size_t i = n; i-- > 0;) backward[i] = entryMd5(*r, i);
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(entryMd5(*r, n - 1), forward[n - 1]);  // again, from the cached decoder's position
  }
}

TEST(CabSafety, DirwalkStaysInsideTheDestination) {
  REQUIRE_TESTDATA();
  auto r = fmt::openCab(cabDir("valid") + "/dirwalk-vulns.cab");
  ASSERT_TRUE(r);
  TempDir outer;
  std::string dest = outer / "dest";
  fmt::ExtractRequest req;
  req.destination = dest;
  req.overwrite = fmt::Overwrite::Always;
  fmt::ExtractObserver quiet;
  fmt::extractEntries(*r, req, quiet);
  std::string destCanon = fs::weakly_canonical(dest).string();
  size_t files = 0;
  for (auto& e : fs::recursive_directory_iterator(outer.path())) {
    std::string p = fs::weakly_canonical(e.path()).string();
    EXPECT_EQ(p.rfind(destCanon, 0), 0u) << p;
    files += e.is_regular_file();
  }
  EXPECT_GT(files, 0u);
}

TEST(CabMalformedCorpus, EveryDamageIsReportedCleanly) {
  REQUIRE_TESTDATA();
  int checked = 0;
  for (const std::string& name : cabsIn(cabDir("malformed"))) {
    SCOPED_TRACE(name);
    std::string report = cabDir("expected") + "/cabextract/" + name + "-t.txt";
    if (expectedExitZero(report)) {
      // Once hostile to decoders, but whole: it must read as cabextract read it.
      std::vector<Expected> want = parseExpected(report), got = readAll(cabDir("malformed") + "/" + name);
      ASSERT_EQ(got.size(), want.size());
      for (size_t i = 0; i < want.size(); i++) EXPECT_EQ(got[i].md5, want[i].md5);
      continue;
    }
    std::string problem;
    try {
      auto r = fmt::openCab(cabDir("malformed") + "/" + name);
      if (!r) {
        problem = "not a cabinet";
      } else {
        if (!r->warnings().empty()) problem = r->warnings()[0];
        for (size_t i = 0; i < r->entries().size(); i++) {
          try {
            fmt::NullOutStream sink;
            r->extract(i, sink);
          } catch (const fmt::Error& e) {
            problem = e.what();
          }
        }
      }
    } catch (const fmt::Error& e) {
      problem = e.what();
    }
    EXPECT_FALSE(problem.empty()) << "read as if whole";
    checked++;
  }
  EXPECT_GE(checked, 30);
}

TEST(CabChecksum, DamagedDataBlockIsCaught) {
  REQUIRE_TESTDATA();
  TempDir dir;
  std::vector<uint8_t> bytes = readFile(cabDir("valid") + "/normal_2files_2folders.cab");
  auto good = fmt::openCab(cabDir("valid") + "/normal_2files_2folders.cab");
  ASSERT_TRUE(good);
  bytes[bytes.size() - 3] ^= 0x10;  // inside the last block's data
  writeFile(dir / "bad.cab", bytes);
  auto r = fmt::openCab(dir / "bad.cab");
  ASSERT_TRUE(r);
  size_t last = r->entries().size() - 1;
  fmt::NullOutStream sink;
  try {
    r->extract(last, sink);
    FAIL() << "damage not noticed";
  } catch (const fmt::Error& e) {
    EXPECT_EQ(e.kind(), fmt::ErrorKind::Checksum) << e.what();
  }
}

TEST(CabOpen, OtherFormatsAreNotTakenForCabinets) {
  TempDir dir;
  // A ZIP holding a stored cabinet must stay the ZIP reader's.
  std::vector<uint8_t> zip = {'P', 'K', 3, 4};
  zip.resize(64, 0);
  if (!testdata().empty()) {
    auto cab = readFile(cabDir("valid") + "/simple.cab");
    zip.insert(zip.end(), cab.begin(), cab.end());
    writeFile(dir / "cab-in-zip.zip", zip);
    EXPECT_FALSE(fmt::openCab(dir / "cab-in-zip.zip"));
    std::vector<uint8_t> sfx = {'M', 'Z'};
    sfx.resize(3000, 0x90);
    sfx.insert(sfx.end(), cab.begin(), cab.end());
    writeFile(dir / "setup.exe", sfx);
    auto r = fmt::openCab(dir / "setup.exe");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->entries().size(), 2u);
  }
  writeFile(dir / "text.txt", std::string(5000, 'M'));
  EXPECT_FALSE(fmt::openCab(dir / "text.txt"));
}

}  // namespace
