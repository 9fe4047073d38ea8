// CAB32.DLL loaded as the suite loads it and driven through its eight exports:
// cabinets it writes (each method) read back, the shared corpus listed and
// tested, hostile cabinets refused, the overwrite switches, the command lines
// the viewer and the creator build, and the report buffer's limits.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archiver.h"
#include "dialog_driver.h"
#include "dialogs_resource.h"
#include "library_fixture.h"
#include "results.h"
#include "test_support.h"

namespace {

using dllsupport::Result;

using librarytest::Call;
using librarytest::wide;

const librarytest::Library& library() { return librarytest::load("CAB32.DLL", "Cab"); }

Call cab(const std::string& line, DWORD size = archiver::kOutputSize) {
  return librarytest::command(library(), line, nullptr, size);
}

std::vector<archiver::ArcItemInfo> listing(const std::string& archive) { return librarytest::listing(library(), archive); }

std::vector<std::string> names(const std::string& archive) { return librarytest::names(library(), archive); }

// The test's own folder (where the build puts the extractors), with a backslash.
std::string bin() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string p = self;
  return p.substr(0, p.find_last_of('\\') + 1);
}

// The shared corpus's cab folder in Windows form (a Linux path through Wine's Z:
// drive), or "" when absent.
std::string corpus(const std::string& rel) {
  const char* env = std::getenv("SUITE_TESTDATA");
  if (!env || !*env) return "";
  std::string p = std::string(env[0] == '/' ? "Z:" : "") + env + "/cab/" + rel;
  for (char& c : p)
    if (c == '/') c = '\\';
  if (GetFileAttributesA(p.substr(0, p.size() - rel.size()).c_str()) == INVALID_FILE_ATTRIBUTES) return "";
  return p;
}

class Cab32Test : public librarytest::FolderTest {
 protected:
  void SetUp() override { ASSERT_TRUE(library().command) << "CAB32.DLL not loaded from beside the test"; }
  // Every file of `files` (its contents: its name, repeated) written under src\.
  void makeSources(const std::vector<std::string>& files) const {
    for (const auto& f : files) {
      std::string data;
      for (int i = 0; i < 200; ++i) data += f + "\n";
      write("src\\" + f, data);
    }
  }
};

// Files with contents of several kinds: compressible, random, empty, a name whose
// characters carry 5C trail bytes (表, ソ), and one in a folder.
const std::vector<std::string> kTree = {"plain.txt", "\x95\x5C.txt", "\x83\x5C\x83\x74\x83\x67\\\x83\x5C.dat",
                                        "sub\\deep\\note.txt"};

TEST_F(Cab32Test, ExportsVersionAndOrdinalOne) {
  EXPECT_TRUE(library().getVersion && library().checkArchive && library().getFileCount && library().openArchive &&
              library().findFirst && library().findNext && library().closeArchive);
  EXPECT_GT(library().getVersion() & 0xFFFF, 65);
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(library().module, MAKEINTRESOURCEA(1))),
            reinterpret_cast<void*>(library().command));
}

TEST_F(Cab32Test, EachMethodRoundTripsWithFoldersAndShiftJisNames) {
  makeSources(kTree);
  write("src\\empty.bin", "");
  std::string random;
  for (uint8_t b : testsupport::randomBytes(150000, 7)) random += static_cast<char>(b);
  write("src\\random.bin", random);
  const struct {
    const char* sw;
    const char* method;
  } methods[] = {{"-mz", "MSZIP"}, {"-ml:15", "LZX:15"}, {"-ml:21", "LZX:21"}, {"-ml", "LZX:21"}, {"-ms", "None"}};
  for (const auto& m : methods) {
    SCOPED_TRACE(m.sw);
    const std::string archive = at(std::string("out") + m.sw + ".cab");
    Call r = cab(std::string("-a -r ") + m.sw + " \"" + archive + "\" \"" + at("src") + "\\\" *.*");
    ASSERT_EQ(r.result, 0) << r.report;
    EXPECT_NE(r.report.find(m.method), std::string::npos) << r.report;
    const auto list = names(archive);
    EXPECT_EQ(list.size(), 6u);
    EXPECT_NE(std::find(list.begin(), list.end(), "\x83\x5C\x83\x74\x83\x67\\\x83\x5C.dat"), list.end());
    EXPECT_NE(std::find(list.begin(), list.end(), "sub\\deep\\note.txt"), list.end());
    const std::string dest = std::string("x") + m.sw;
    r = cab("-x \"" + archive + "\" \"" + at(dest) + "\\\"");
    ASSERT_EQ(r.result, 0) << r.report;
    for (const auto& f : kTree) EXPECT_EQ(read(dest + "\\" + f), read("src\\" + f)) << f;
    EXPECT_EQ(read(dest + "\\random.bin"), random);
    EXPECT_EQ(read(dest + "\\empty.bin"), "");
    EXPECT_EQ(cab("-t \"" + archive + "\"").result, 0);
  }
}

TEST_F(Cab32Test, WithoutRecurseFolderContentsStayOut) {
  makeSources(kTree);
  Call r = cab("-a \"" + at("flat.cab") + "\" \"" + at("src") + "\\\" *.*");
  ASSERT_EQ(r.result, 0) << r.report;
  const auto list = names(at("flat.cab"));
  ASSERT_EQ(list.size(), 2u);
  // -j drops the folders on extraction.
  r = cab("-a -r \"" + at("tree.cab") + "\" \"" + at("src") + "\\\" sub");
  ASSERT_EQ(r.result, 0) << r.report;
  r = cab("-x -j \"" + at("tree.cab") + "\" \"" + at("flat") + "\\\"");
  ASSERT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(read("flat\\note.txt"), read("src\\sub\\deep\\note.txt"));
  EXPECT_FALSE(exists("flat\\sub"));
}

TEST_F(Cab32Test, CreatorCommandLinesRunInTheBaseFolder) {
  makeSources({"a.txt", "b.txt", "dir\\c.txt"});
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(at("src").c_str()));
  const Call lzx = cab("-a -r -ml:18 \"" + at("x.cab") + "\"  \"a.txt\" \"b.txt\" \"dir\"");
  const Call none = cab("-a -ms \"" + at("y.cab") + "\"  \"a.txt\" \"b.txt\"");
  const Call q = cab("-a -r -q -mz \"" + at("z.cab") + "\"  \"a.txt\"");
  SetCurrentDirectoryA(saved);
  ASSERT_EQ(lzx.result, 0) << lzx.report;
  ASSERT_EQ(none.result, 0) << none.report;
  ASSERT_EQ(q.result, 0) << q.report;
  EXPECT_EQ(names(at("x.cab")), (std::vector<std::string>{"a.txt", "b.txt", "dir\\c.txt"}));
  EXPECT_EQ(names(at("y.cab")), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_NE(lzx.report.find("LZX:18"), std::string::npos) << lzx.report;
}

TEST_F(Cab32Test, RefusedRequestsMakeNothing) {
  makeSources({"a.txt"});
  const std::string base = " \"" + at("src") + "\\\" a.txt";
  std::string random;
  for (uint8_t b : testsupport::randomBytes(40000, 3)) random += static_cast<char>(b);
  write("src\\r.bin", random);
  // -v:20 with a stored 32 KB block: a volume too small for one block.
  for (const char* line : {"-a -ml:22 ", "-a -ml:14 ", "-a -mq ", "-a -ms -v:20 ", "-a -v:0 ", "-a -zz ", "-f "}) {
    SCOPED_TRACE(line);
    const Call r = cab(std::string(line) + "\"" + at("bad.cab") + "\"" + base + " r.bin");
    EXPECT_NE(r.result, 0);
    EXPECT_FALSE(r.report.empty());
    EXPECT_FALSE(exists("bad.cab"));
  }
  EXPECT_EQ(cab("-a -ms -v:20 \"" + at("bad.cab") + "\"" + base + " r.bin").result, Result::kBadCommand);
  EXPECT_FALSE(exists("bad.cab"));
  EXPECT_FALSE(exists("bad2.cab"));
  EXPECT_EQ(cab("-f \"" + at("bad.cab") + "\"" + base).result, Result::kArchiveNotFound);
  EXPECT_EQ(cab("-a -ml:22 \"" + at("bad.cab") + "\"" + base).result, Result::kBadCommand);
  EXPECT_EQ(cab("-l \"" + at("none.cab") + "\"").result, Result::kArchiveNotFound);
  write("plain.cab", "not a cabinet at all, just some text that goes on for a while");
  EXPECT_EQ(cab("-l \"" + at("plain.cab") + "\"").result, Result::kNotArchive);
  EXPECT_EQ(cab("").result, Result::kBadCommand);
}

// -v:<nnn>: a set of volumes of at most nnn KB, read back whole from the first
// through the DLL, for each method; a stale part beside the set is not taken in.
TEST_F(Cab32Test, VolumeSetsEachWithinItsSize) {
  makeSources(kTree);
  std::string random;
  for (uint8_t b : testsupport::randomBytes(300000, 11)) random += static_cast<char>(b);
  write("src\\random.bin", random);
  for (int i = 0; i < 40; ++i) makeSources({"many\\f" + std::to_string(i) + ".txt"});
  write("src\\set2.cab", "left from an older set");
  for (const char* sw : {"-mz", "-ml", "-ms"}) {
    SCOPED_TRACE(sw);
    const std::string archive = at("src\\set.cab");
    Call r = cab(std::string("-a -r -v:64 ") + sw + " \"" + archive + "\" \"" + at("src") + "\\\" *.*");
    ASSERT_EQ(r.result, 0) << r.report;
    EXPECT_NE(r.report.find("ボリュームを作成しました: "), std::string::npos) << r.report;
    EXPECT_NE(r.report.find("set2.cab\r\n"), std::string::npos) << r.report;
    // 300 KB that do not compress take five volumes of 64 KB or more.
    size_t count = 0;
    for (int v = 1; v <= 99; ++v) {
      const std::string name = v == 1 ? "src\\set.cab" : "src\\set" + std::to_string(v) + ".cab";
      if (!exists(name)) break;
      EXPECT_LE(read(name).size(), 64u * 1024) << name;
      count = v;
    }
    EXPECT_GE(count, 5u);
    EXPECT_NE(r.report.find("ボリューム " + std::to_string(count) + " 個"), std::string::npos) << r.report;
    const auto list = names(archive);
    EXPECT_EQ(list.size(), kTree.size() + 41);
    EXPECT_EQ(std::count(list.begin(), list.end(), "set2.cab"), 0);
    const std::string dest = std::string("x") + sw;
    r = cab("-x \"" + archive + "\" \"" + at(dest) + "\\\"");
    ASSERT_EQ(r.result, 0) << r.report;
    for (const auto& f : kTree) EXPECT_EQ(read(dest + "\\" + f), read("src\\" + f)) << f;
    EXPECT_EQ(read(dest + "\\random.bin"), random);
    EXPECT_EQ(read(dest + "\\many\\f39.txt"), read("src\\many\\f39.txt"));
    EXPECT_EQ(cab("-t \"" + archive + "\"").result, 0);
    // The next method's set must not take this one's volumes in.
    for (int v = 2; v <= static_cast<int>(count); ++v) DeleteFileW(wide(at("src\\set" + std::to_string(v) + ".cab")).c_str());
    write("src\\set2.cab", "left from an older set");
  }
}

TEST_F(Cab32Test, EnumerationRecordsAndSeveralHandles) {
  makeSources({"a.txt", "dir\\b.txt"});
  write("src\\empty.txt", "");
  ASSERT_EQ(cab("-a -r \"" + at("one.cab") + "\" \"" + at("src") + "\\\" *.*").result, 0);
  ASSERT_EQ(cab("-a -r -ms \"" + at("two.cab") + "\" \"" + at("src") + "\\\" a.txt").result, 0);
  EXPECT_TRUE(library().checkArchive(at("one.cab").c_str(), 0));
  EXPECT_FALSE(library().checkArchive(at("src\\a.txt").c_str(), 0));
  EXPECT_EQ(library().getFileCount(at("one.cab").c_str()), 3);
  EXPECT_EQ(library().getFileCount(at("missing.cab").c_str()), -1);

  archiver::ArchiveHandle h1 = library().openArchive(nullptr, at("one.cab").c_str(), archiver::kOpenModeList);
  archiver::ArchiveHandle h2 = library().openArchive(nullptr, at("two.cab").c_str(), archiver::kOpenModeList);
  ASSERT_TRUE(h1 && h2);
  ASSERT_NE(h1, h2);
  archiver::ArcItemInfo a{}, b{};
  ASSERT_EQ(library().findFirst(h1, "*.*", &a), 0);
  ASSERT_EQ(library().findFirst(h2, "*.*", &b), 0);
  EXPECT_STREQ(a.name, "a.txt");
  EXPECT_STREQ(b.name, "a.txt");
  EXPECT_EQ(a.originalSize, 200u * 6);
  EXPECT_LT(a.ratio, 1000u);  // compressed
  EXPECT_GT(b.ratio, a.ratio);  // stored
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_EQ(1980 + (a.date >> 9), now.wYear);
  ASSERT_EQ(library().findNext(h1, &a), 0);
  EXPECT_STREQ(a.name, "dir\\b.txt");
  EXPECT_NE(library().findNext(h2, &b), 0);  // two.cab holds one file
  ASSERT_EQ(library().findNext(h1, &a), 0);
  EXPECT_STREQ(a.name, "empty.txt");
  EXPECT_EQ(a.ratio, 0u);
  EXPECT_NE(library().findNext(h1, &a), 0);
  EXPECT_EQ(library().closeArchive(h1), 0);
  EXPECT_EQ(library().closeArchive(h2), 0);
  EXPECT_NE(library().closeArchive(h1), 0);  // closed twice
  EXPECT_NE(library().findNext(h1, &a), 0);
  EXPECT_EQ(library().openArchive(nullptr, at("src\\a.txt").c_str(), archiver::kOpenModeList), nullptr);
}

TEST_F(Cab32Test, CabinetInsideASelfExtractorIsFound) {
  makeSources({"a.txt"});
  ASSERT_EQ(cab("-a \"" + at("inner.cab") + "\" \"" + at("src") + "\\\" a.txt").result, 0);
  std::string exe = "MZ";
  exe.resize(4096, '\0');
  write("sfx.exe", exe + read("inner.cab"));
  EXPECT_TRUE(library().checkArchive(at("sfx.exe").c_str(), 0));
  EXPECT_EQ(names(at("sfx.exe")), (std::vector<std::string>{"a.txt"}));
  const Call r = cab("-x \"" + at("sfx.exe") + "\" \"" + at("out") + "\\\"");
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(read("out\\a.txt"), read("src\\a.txt"));
}

// -f: the Windows extractor followed by the cabinet alone, in the folder given
// or beside the cabinet; a set over several cabinets is refused.
TEST_F(Cab32Test, SelfExtractorIsTheExtractorFollowedByTheCabinet) {
  makeSources({"a.txt", "表\\ソ.txt"});
  ASSERT_EQ(cab("-a -r -ml:18 \"" + at("t.cab") + "\" \"" + at("src") + "\\\" *.*").result, 0);
  ASSERT_TRUE(CopyFileA((bin() + "sfx_cab.exe").c_str(), at("stub.exe").c_str(), FALSE));
  const std::string stub = read("stub.exe"), cabinet = read("t.cab");

  const Call made = cab("-f \"" + at("t.cab") + "\" \"" + at("out") + "\\\" ");
  ASSERT_EQ(made.result, 0) << made.report;
  EXPECT_TRUE(read("out\\t.exe") == stub + cabinet);
  EXPECT_TRUE(library().checkArchive(at("out\\t.exe").c_str(), 0));
  EXPECT_EQ(names(at("out\\t.exe")), names(at("t.cab")));
  // From the self-extractor again, beside it: the cabinet is cut out of it.
  ASSERT_EQ(cab("-f \"" + at("out\\t.exe") + "\" \"" + at("again") + "\\\" ").result, 0);
  EXPECT_TRUE(read("again\\t.exe") == stub + cabinet);
  ASSERT_EQ(cab("-f \"" + at("t.cab") + "\"").result, 0);
  EXPECT_TRUE(read("t.exe") == stub + cabinet);

  // A volume set: each part alone would extract incompletely.
  std::string random;
  for (uint8_t b : testsupport::randomBytes(150000, 9)) random += static_cast<char>(b);
  write("src\\r.bin", random);
  ASSERT_EQ(cab("-a -ms -v:64 \"" + at("set.cab") + "\" \"" + at("src") + "\\\" r.bin").result, 0);
  const Call set = cab("-f \"" + at("set.cab") + "\" \"" + at("setout") + "\\\" ");
  EXPECT_EQ(set.result, Result::kUnsupported) << set.report;
  EXPECT_FALSE(exists("setout"));
}

// A large cabinet is copied behind the program with the progress window up: a
// cancel leaves nothing, and -i makes the file without any window.
TEST_F(Cab32Test, SelfExtractorOfALargeCabinetShowsProgressAndCancelsCleanly) {
  // Stored, so that the cabinet is as large as the data and takes seconds to copy.
  std::string big(size_t{1} << 30, '\0');
  const std::vector<uint8_t> block = testsupport::randomBytes(1 << 20, 7);
  for (size_t i = 0; i < big.size(); i += block.size()) std::copy(block.begin(), block.end(), big.begin() + i);
  write("big\\big.bin", big);
  big.clear();
  big.shrink_to_fit();
  ASSERT_EQ(cab("-a -ms \"" + at("big.cab") + "\" \"" + at("big") + "\\\" big.bin").result, 0);
  HWND owner = testdialogs::makeOwner();
  Call r;
  {
    testdialogs::DialogDriver d("処理中", IDCANCEL, 0, {}, IDC_DLLS_FILE);
    r = librarytest::command(library(), "-f \"" + at("big.cab") + "\" \"" + at("out") + "\\\" ", owner);
    EXPECT_TRUE(d.found);
    EXPECT_EQ(d.seen, "big.exe");
  }
  EXPECT_EQ(r.result, Result::kCancelled) << r.report;
  EXPECT_FALSE(exists("out"));
  {
    testdialogs::DialogDriver d("処理中", IDCANCEL);
    r = librarytest::command(library(), "-f -i \"" + at("big.cab") + "\" \"" + at("out") + "\\\" ", owner);
    EXPECT_FALSE(d.found) << "-i: no progress window";
  }
  DestroyWindow(owner);
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(std::filesystem::file_size(wide(at("out\\big.exe"))),
            std::filesystem::file_size(wide(at("big.cab"))) + std::filesystem::file_size(wide(bin() + "sfx_cab.exe")));
}

// Existing files older than, newer than and read-only beside the entries, under
// the three rules and the viewer's combinations of -n and -o.
TEST_F(Cab32Test, OverwriteSwitchesAgainstExistingFiles) {
  makeSources({"old.txt", "new.txt", "ro.txt"});
  ASSERT_EQ(cab("-a \"" + at("a.cab") + "\" \"" + at("src") + "\\\" *.*").result, 0);
  const struct {
    const char* switches;
    bool replacesOld, replacesNew, replacesReadOnly;
  } cases[] = {
      {"", true, false, true},
      {" -n ", false, false, false},
      {" -o ", true, true, true},
      {" -n  -o ", false, false, false},  // the viewer's "ignore dates" without "overwrite all"
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.switches);
    const std::string d = "d" + std::to_string(n++);
    write(d + "\\old.txt", "kept");
    write(d + "\\new.txt", "kept");
    write(d + "\\ro.txt", "kept");
    touch(d + "\\old.txt", -86400 * 30);
    touch(d + "\\new.txt", 86400 * 30);
    touch(d + "\\ro.txt", -86400 * 30);
    SetFileAttributesW(wide(at(d + "\\ro.txt")).c_str(), FILE_ATTRIBUTE_READONLY);
    const Call r = cab("-x \"" + at("a.cab") + "\" \"" + at(d) + "\\\" \"*.*\"" + c.switches);
    EXPECT_EQ(read(d + "\\old.txt") != "kept", c.replacesOld) << r.report;
    EXPECT_EQ(read(d + "\\new.txt") != "kept", c.replacesNew) << r.report;
    EXPECT_EQ(read(d + "\\ro.txt") != "kept", c.replacesReadOnly) << r.report;
    if (c.replacesOld) {
      EXPECT_EQ(read(d + "\\old.txt"), read("src\\old.txt"));
    }
    // Every file is named in the report, replaced or kept.
    for (const char* f : {"old.txt", "new.txt", "ro.txt"}) EXPECT_NE(r.report.find(f), std::string::npos) << r.report;
    EXPECT_NE(r.report.find(c.replacesNew ? "置き換えました" : "残しました"), std::string::npos) << r.report;
    SetFileAttributesW(wide(at(d + "\\ro.txt")).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(Cab32Test, ViewerCommandLinesByteForByte) {
  makeSources({"a.txt", "dir\\b.txt", "dir\\c.txt"});
  ASSERT_EQ(cab("-a -r \"" + at("v.cab") + "\" \"" + at("src") + "\\\" *.*").result, 0);
  const std::string head = "-x \"" + at("v.cab") + "\" \"";
  // useFolders on, overwriteAll on, ignoreDate off: nothing after the names.
  Call r = cab(head + at("e1") + "\\\" \"dir\\b.txt\" ");
  ASSERT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(read("e1\\dir\\b.txt"), read("src\\dir\\b.txt"));
  EXPECT_FALSE(exists("e1\\a.txt"));
  // Every option off: " -j " and " -n " with two blanks between them.
  r = cab(head + at("e2") + "\\\" *.* -j  -n ");
  ASSERT_EQ(r.result, 0) << r.report;
  EXPECT_TRUE(exists("e2\\b.txt") && exists("e2\\c.txt") && exists("e2\\a.txt"));
  // The work-folder extraction, names with a blank before each.
  r = cab(head + at("work") + "\\\"  \"a.txt\" \"dir\\c.txt\" -j -i -o ");
  ASSERT_EQ(r.result, 0) << r.report;
  EXPECT_TRUE(exists("work\\a.txt") && exists("work\\c.txt"));
  EXPECT_FALSE(exists("work\\b.txt"));
  // A name matching nothing is named in the report.
  r = cab(head + at("e3") + "\\\" \"nothing.txt\"");
  EXPECT_EQ(r.result, Result::kNoMatch);
  EXPECT_NE(r.report.find("nothing.txt"), std::string::npos);
  // The same command through a response file.
  write("cmd.res", head + at("e4") + "\\\" \"dir\\c.txt\"\r\n");
  r = cab("@" + at("cmd.res"));
  ASSERT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(read("e4\\dir\\c.txt"), read("src\\dir\\c.txt"));
}

TEST_F(Cab32Test, ReportCutAtAWholeCharacter) {
  makeSources({"a.txt"});
  ASSERT_EQ(cab("-a \"" + at("r.cab") + "\" \"" + at("src") + "\\\" a.txt").result, 0);
  const std::string full = cab("-l \"" + at("r.cab") + "\"").report;
  ASSERT_GT(full.size(), 40u);
  for (DWORD size = 1; size < 40; ++size) {
    const Call r = cab("-l \"" + at("r.cab") + "\"", size);
    EXPECT_EQ(full.compare(0, r.report.size(), r.report), 0) << size;
    // The listing's heading is double-byte text: a cut never keeps half a character.
    size_t i = 0;
    while (i < r.report.size()) {
      const unsigned char c = static_cast<unsigned char>(r.report[i]);
      i += ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
    }
    EXPECT_EQ(i, r.report.size()) << size;
  }
  // No buffer at all: the command still runs and nothing is written.
  char untouched = '\x7F';
  EXPECT_EQ(library().command(nullptr, ("-l \"" + at("r.cab") + "\"").c_str(), &untouched, 0), 0);
  EXPECT_EQ(untouched, '\x7F');
}

TEST_F(Cab32Test, CorpusCabinetsListAndTest) {
  if (corpus("").empty()) GTEST_SKIP() << "no shared testdata";
  for (const char* name : {"mszip_lzx_qtm.cab", "normal_2files_2folders.cab", "reserve_HFD.cab", "encoding-sjis.cab",
                           "large-files-cab.cab", "mixed.cab", "dir.cab", "case-utf8.cab"}) {
    SCOPED_TRACE(name);
    const std::string path = corpus(std::string("valid/") + name);
    EXPECT_TRUE(library().checkArchive(path.c_str(), 0));
    const auto list = listing(path);
    EXPECT_EQ(static_cast<int>(list.size()), library().getFileCount(path.c_str()));
    EXPECT_FALSE(list.empty());
    for (const auto& info : list) EXPECT_EQ(std::strchr(info.name, '/'), nullptr) << info.name;
    const Call r = cab("-t \"" + path + "\"");
    EXPECT_EQ(r.result, 0) << r.report;
  }
  // A multi-volume set read from its first part covers every part's files.
  const Call set = cab("-x -k \"" + corpus("valid/multi_basic_pt1.cab") + "\" \"" + at("set") + "\\\"");
  EXPECT_EQ(set.result, 0) << set.report;
}

TEST_F(Cab32Test, HostileCabinetsGiveAClearReportAndWriteNothingOutside) {
  if (corpus("").empty()) GTEST_SKIP() << "no shared testdata";
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(corpus("malformed"), ec)) {
    const std::string path = e.path().string();
    SCOPED_TRACE(path);
    const std::string dest = "m\\" + e.path().stem().string();
    const Call r = cab("-x \"" + path + "\" \"" + at(dest) + "\\\"");
    // A few still decode in cabextract's hands: its recorded test result decides.
    std::ifstream expected(std::filesystem::path(wide(corpus("expected\\cabextract\\" + e.path().filename().string() + "-t.txt"))));
    std::string text((std::istreambuf_iterator<char>(expected)), std::istreambuf_iterator<char>());
    ASSERT_NE(text.find("exit="), std::string::npos);
    EXPECT_EQ(r.result == 0, text.find("exit=0") != std::string::npos) << r.report;
    EXPECT_FALSE(r.report.empty());
    // Enumeration of a damaged cabinet ends without a crash.
    (void)listing(path);
  }
  const Call walk = cab("-x \"" + corpus("valid/dirwalk-vulns.cab") + "\" \"" + at("walk\\inside") + "\\\"");
  EXPECT_NE(walk.result, 0);
  EXPECT_NE(walk.report.find("安全でないため"), std::string::npos) << walk.report;
  // Only the destination got anything.
  for (const auto& e : std::filesystem::directory_iterator(wide(at("walk")), ec))
    EXPECT_EQ(e.path().filename().wstring(), L"inside");
}

}  // namespace
