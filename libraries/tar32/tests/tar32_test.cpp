// TAR32.DLL loaded as the suite loads it and driven through its exports: the
// command lines the viewer and the creator build, byte for byte; archives it
// writes in each kind read back; single compressed files; hostile archives kept
// inside the destination; the kind and check answers on any file; the switches
// q, p, k, r, N; reports within their buffer.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archiver.h"
#include "base/stream.h"
#include "core/sources.h"
#include "library_fixture.h"
#include "platform/platform.h"
#include "results.h"
#include "tar/tar_format.h"
#include "tar/tar_writer.h"

namespace {

using dllsupport::Result;
using librarytest::Call;

using TypeFn = int(WINAPI*)(const char*);

const librarytest::Library& lib() { return librarytest::load("TAR32.DLL", "Tar"); }
TypeFn archiveType() { return procAddress<TypeFn>(lib().module, "TarGetArchiveType"); }

Call tar(const std::string& line, DWORD size = archiver::kOutputSize) { return librarytest::command(lib(), line, nullptr, size); }

std::vector<std::string> names(const std::string& archive) { return librarytest::names(lib(), archive); }

// A tar block by hand, for headers no writer of ours would make.
std::string header(const std::string& name, char type, uint64_t size, const std::string& link = "") {
  using namespace fmt::tar;
  std::vector<uint8_t> b(kBlock, 0);
  putString(b.data(), kName, name);
  putOctal(b.data(), kMode, 0644);
  putOctal(b.data(), kSize, size);
  putOctal(b.data(), kMtime, 1500000000);
  b[kTypeflag] = static_cast<uint8_t>(type);
  putString(b.data(), kLinkname, link);
  std::memcpy(b.data() + kMagic.offset, "ustar\0" "00", 8);
  putChecksum(b.data());
  return std::string(b.begin(), b.end());
}
std::string padded(std::string data) {
  data.resize(fmt::tar::roundUpToBlock(data.size()), '\0');
  return data;
}
std::string endBlocks() { return std::string(2 * fmt::tar::kBlock, '\0'); }

class Tar32Test : public librarytest::FolderTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib().command) << "TAR32.DLL not loaded from beside the test";
    GetCurrentDirectoryA(MAX_PATH, saved_);
  }
  void TearDown() override { SetCurrentDirectoryA(saved_); }
  // src\a.txt, src\b.txt, src\sub\c.txt, src\日本語.txt, each its name repeated.
  void makeSources() {
    for (std::string f : {"a.txt", "b.txt", "sub\\c.txt", "日本語.txt"}) write("src\\" + f, repeat(f));
  }
  static std::string repeat(const std::string& s, int n = 300) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s + "\n";
    return out;
  }
  char saved_[MAX_PATH] = {};
};

TEST_F(Tar32Test, ExportsAndVersion) {
  const auto& l = lib();
  EXPECT_TRUE(l.getVersion && l.checkArchive && l.getFileCount && l.openArchive && l.findFirst && l.findNext &&
              l.closeArchive && archiveType());
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(l.module, MAKEINTRESOURCEA(1))), reinterpret_cast<void*>(l.command));
  EXPECT_GT(l.getVersion() & 0xFFFF, archiver::kMinVersionTar);
}

// The creator's three command lines (current folder = the base, two blanks
// before the names and after a level), each read back through the listing,
// the kind and an extraction.
TEST_F(Tar32Test, TheCreatorsCommandLinesWriteEachKind) {
  makeSources();
  struct Case {
    const char* line;
    const char* archive;
    int kind;
  } cases[] = {
      {"c -vfz6  \"%s\"  \"a.txt\" \"sub\\*.*\" \"日本語.txt\"", "x.tar.gz", archiver::kTarGz},
      {"c -vfB9  \"%s\"  \"a.txt\" \"sub\\*.*\" \"日本語.txt\"", "x.tar.bz2", archiver::kTarBz2},
      {"c -vf \"%s\"  \"a.txt\" \"sub\\*.*\" \"日本語.txt\"", "x.tar", archiver::kTar},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(SetCurrentDirectoryA(at("src").c_str()));
    char line[512];
    std::snprintf(line, sizeof line, c.line, at(c.archive).c_str());
    const Call made = tar(line);
    SetCurrentDirectoryA(saved_);
    ASSERT_EQ(made.result, 0) << made.report;
    EXPECT_NE(made.report.find("追加しました: 日本語.txt"), std::string::npos) << made.report;
    EXPECT_EQ(archiveType()(at(c.archive).c_str()), c.kind) << c.archive;
    EXPECT_TRUE(lib().checkArchive(at(c.archive).c_str(), 0));
    EXPECT_TRUE(lib().checkArchive(at(c.archive).c_str(), 2));
    EXPECT_EQ(names(at(c.archive)), (std::vector<std::string>{"a.txt", "sub\\c.txt", "日本語.txt"})) << c.archive;
    EXPECT_EQ(lib().getFileCount(at(c.archive).c_str()), 3);
    const std::string out = std::string("out-") + c.archive;
    const Call x = tar("--use-directory=1 xvf \"" + at(c.archive) + "\" \"" + at(out) + "\\\"");
    ASSERT_EQ(x.result, 0) << x.report;
    EXPECT_EQ(read(out + "\\sub\\c.txt"), repeat("sub\\c.txt"));
    EXPECT_EQ(read(out + "\\日本語.txt"), repeat("日本語.txt"));
  }
}

// The viewer's extraction travels in "@DexTar@@.res" (one line, no line feed):
// --use-directory and q as its dialog sets them; its work-folder command uses o.
TEST_F(Tar32Test, TheViewersResponseFileAndWorkCommand) {
  makeSources();
  ASSERT_TRUE(SetCurrentDirectoryA(at("src").c_str()));
  ASSERT_EQ(tar("c -vfz6  \"" + at("v.tgz") + "\"  \"a.txt\" \"sub\"").result, 0);
  SetCurrentDirectoryA(saved_);
  auto viaResponse = [&](const std::string& text) {
    write("@DexTar@@.res", text);
    return tar("@" + at("@DexTar@@.res"));
  };
  // Folders off, not "overwrite all": q keeps the file already there.
  write("flat\\c.txt", "old");
  Call r = viaResponse("--use-directory=0 qxvf \"" + at("v.tgz") + "\" \"" + at("flat") + "\\\" \"sub\\c.txt\" \"a.txt\"");
  EXPECT_EQ(read("flat\\c.txt"), "old") << r.report;
  EXPECT_EQ(read("flat\\a.txt"), repeat("a.txt")) << r.report;
  EXPECT_FALSE(exists("flat\\sub"));
  // "Overwrite all" drops q: tar replaces.
  r = viaResponse("--use-directory=0 xvf \"" + at("v.tgz") + "\" \"" + at("flat") + "\\\" \"sub\\c.txt\"");
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(read("flat\\c.txt"), repeat("sub\\c.txt"));
  // Folders on.
  r = viaResponse("--use-directory=1 xvf \"" + at("v.tgz") + "\" \"" + at("tree") + "\\\" \"sub\\c.txt\"");
  EXPECT_EQ(read("tree\\sub\\c.txt"), repeat("sub\\c.txt")) << r.report;
  // The work folder.
  r = tar("--use-directory=0 xfI \"" + at("v.tgz") + "\" -o \"" + at("work") + "\" \"sub\\c.txt\"");
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(read("work\\c.txt"), repeat("sub\\c.txt"));
  // A name that matches nothing is named, and nothing was done.
  r = tar("xf \"" + at("v.tgz") + "\" -o \"" + at("none") + "\" \"nothing.txt\"");
  EXPECT_EQ(r.result, dllsupport::kNoMatch);
  EXPECT_NE(r.report.find("該当するファイルがありません: nothing.txt"), std::string::npos) << r.report;
}

// A lone .gz lists as its stored name with its real size; a .bz2 as the file's
// name without the suffix.
TEST_F(Tar32Test, SingleCompressedFilesListAndExtractUnderTheirNames) {
  write("inner.txt", repeat("inside", 5000));
  fmt::SourceItem item;
  item.diskPath = at("inner.txt");
  item.name = "inner.txt";
  item.size = repeat("inside", 5000).size();
  for (auto [file, filter, kind, name] :
       {std::tuple{"data.gz", fmt::tar::Filter::Gzip, archiver::kGz, "inner.txt"},
        std::tuple{"data.txt.bz2", fmt::tar::Filter::Bzip2, archiver::kBz2, "data.txt"},
        std::tuple{"data.txt.Z", fmt::tar::Filter::Compress, archiver::kZ, "data.txt"}}) {
    fmt::tar::TarWriteOptions wo;
    wo.compression = filter;
    fmt::tar::writeCompressedFile(at(file), item, wo);
    EXPECT_EQ(archiveType()(at(file).c_str()), kind) << file;
    const auto records = librarytest::listing(lib(), at(file));
    ASSERT_EQ(records.size(), 1u) << file;
    EXPECT_STREQ(records[0].name, name);
    EXPECT_EQ(records[0].originalSize, item.size);
    const Call x = tar(std::string("xf \"") + at(file) + "\" -o \"" + at("out") + "\"");
    EXPECT_EQ(x.result, 0) << x.report;
    EXPECT_EQ(read(std::string("out\\") + name), repeat("inside", 5000));
  }
}

// Roots and "..", a link to outside with a file through it, a declared size
// past the end, a cut member: a clear report, a non-zero result and nothing
// outside the destination.
TEST_F(Tar32Test, HostileArchivesStayInsideAndFail) {
  std::string t = header("../escaped.txt", '0', 4) + padded("evil") + header("/rooted.txt", '0', 4) + padded("root") +
                  header("lnk", '2', 0, "../..") + header("lnk/through.txt", '0', 4) + padded("thru") +
                  header("hard", '1', 0, "/etc/passwd") + endBlocks();
  write("hostile.tar", t);
  Call r = tar("--use-directory=1 xvf \"" + at("hostile.tar") + "\" \"" + at("dest") + "\\\"");
  EXPECT_NE(r.result, 0) << r.report;
  EXPECT_FALSE(exists("escaped.txt"));
  EXPECT_EQ(read("dest\\escaped.txt"), "evil") << r.report;
  EXPECT_EQ(read("dest\\rooted.txt"), "root");
  EXPECT_NE(r.report.find("lnk"), std::string::npos) << r.report;
  EXPECT_NE(r.report.find("hard"), std::string::npos) << r.report;
  // The link was not made, so the file through it is an ordinary file in a folder.
  EXPECT_EQ(read("dest\\lnk\\through.txt"), "thru");
  EXPECT_FALSE(exists("through.txt"));

  write("huge.tar", header("huge.bin", '0', 077777777777ull) + padded("only this"));
  r = tar("xf \"" + at("huge.tar") + "\" -o \"" + at("huge") + "\"");
  EXPECT_NE(r.result, 0) << r.report;
  EXPECT_FALSE(exists("huge\\huge.bin")) << r.report;

  std::string cut = header("whole.txt", '0', 5) + padded("whole") + header("cut.txt", '0', 3000) + std::string(700, 'c');
  write("cut.tar", cut);
  r = tar("xf \"" + at("cut.tar") + "\" -o \"" + at("cut") + "\"");
  EXPECT_NE(r.result, 0) << r.report;
  EXPECT_EQ(read("cut\\whole.txt"), "whole");
  EXPECT_FALSE(exists("cut\\cut.txt"));
}

// A name code page 932 cannot show (Hangul) is reported, and the file is still
// created under its exact characters.
TEST_F(Tar32Test, NamesBeyondCodePage932AreReportedAndKept) {
  write("wide.tar", header("\xED\x95\x9C\xEA\xB8\x80.txt", '0', 5) + padded("hangu") + endBlocks());
  const Call r = tar("xvf \"" + at("wide.tar") + "\" -o \"" + at("w") + "\"");
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_NE(r.report.find("932 で表せない文字を含む名前です"), std::string::npos) << r.report;
  const std::wstring exact = librarytest::wide(at("w")) + L"\\\uD55C\uAE00.txt";
  EXPECT_NE(GetFileAttributesW(exact.c_str()), INVALID_FILE_ATTRIBUTES);
}

// e: names an old Unix tar stored in EUC-JP come out, list and compare under
// their Shift-JIS form (表 ends in a 5C byte there); a UTF-8 name beside them
// and plain ASCII stay as they are.
TEST_F(Tar32Test, EucJpNamesWithTheESwitch) {
  write("euc.tar", header("\xC6\xFC\xCB\xDC\xB8\xEC/\xC9\xBD.txt", '0', 4) + padded("hyou") +
                       header("\x8E\xB1.txt", '0', 4) + padded("kana") + header("\xE6\x97\xA5.txt", '0', 3) +
                       padded("utf") + header("plain.txt", '0', 5) + padded("plain") + endBlocks());
  Call r = tar("--use-directory=1 xvef \"" + at("euc.tar") + "\" \"" + at("dest") + "\\\"");
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(read("dest\\日本語\\表.txt"), "hyou") << r.report;
  EXPECT_EQ(read("dest\\\xB1.txt"), "kana");
  EXPECT_EQ(read("dest\\日.txt"), "utf");
  EXPECT_EQ(read("dest\\plain.txt"), "plain");
  EXPECT_NE(r.report.find("日本語\\表.txt"), std::string::npos) << r.report;

  r = tar("tef \"" + at("euc.tar") + "\"");
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_NE(r.report.find("日本語\\表.txt"), std::string::npos) << r.report;
  r = tar("--use-directory=1 kef \"" + at("euc.tar") + "\" \"" + at("dest") + "\\\"");
  EXPECT_EQ(r.result, 0) << r.report;
  // Without e the stored bytes are taken as Shift-JIS, so no such folder appears.
  r = tar("--use-directory=1 xf \"" + at("euc.tar") + "\" \"" + at("plain") + "\\\"");
  EXPECT_FALSE(exists("plain\\日本語\\表.txt")) << r.report;
}

// TarGetArchiveType and TarCheckArchive answer 0 for anything that is no
// archive of theirs, whatever the bytes, and never fault.
TEST_F(Tar32Test, KindAndCheckNeverFaultOnAnyFile) {
  std::vector<std::string> files = {"", "BZh9", "\x1f\x8b\x08", "\x1f\x9d\x90", std::string(511, '\0'),
                                    std::string("BZh91AY&SY") + std::string(40, '\xff'),
                                    std::string("\x1f\x8b\x08\x08\0\0\0\0\0\x03name", 15) + std::string(100, 'q')};
  for (int seed = 0; seed < 60; ++seed) {
    std::string noise = std::string(seed % 3 == 0 ? "\x1f\x8b\x08" : seed % 3 == 1 ? "BZh9\x31\x41\x59\x26\x53\x59" : "");
    uint32_t x = 2463534242u + static_cast<uint32_t>(seed);
    for (int i = 0; i < 700; ++i) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      noise += static_cast<char>(x);
    }
    files.push_back(noise);
  }
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string name = at("f" + std::to_string(i));
    write("f" + std::to_string(i), files[i]);
    (void)archiveType()(name.c_str());
    (void)lib().checkArchive(name.c_str(), 0);
    (void)lib().checkArchive(name.c_str(), 2);
  }
  EXPECT_EQ(archiveType()(at("f0").c_str()), 0);
  EXPECT_FALSE(lib().checkArchive(at("f0").c_str(), 0));
  EXPECT_EQ(archiveType()(at("missing").c_str()), 0);
  EXPECT_EQ(archiveType()(nullptr), 0);
  EXPECT_FALSE(lib().checkArchive(nullptr, 0));
  EXPECT_EQ(archiveType()(dir.path().c_str()), 0);
  EXPECT_EQ(lib().getFileCount(at("f1").c_str()), -1);
}

TEST_F(Tar32Test, PrintCompareAppendAndDate) {
  makeSources();
  ASSERT_TRUE(SetCurrentDirectoryA(at("src").c_str()));
  ASSERT_EQ(tar("c -vf \"" + at("p.tar") + "\"  \"a.txt\" \"b.txt\"").result, 0);
  SetCurrentDirectoryA(saved_);
  // p: the bytes into the report, nothing on disk.
  Call r = tar("xpf \"" + at("p.tar") + "\" -o \"" + at("p") + "\" b.txt");
  EXPECT_EQ(r.result, 0);
  EXPECT_NE(r.report.find(repeat("b.txt")), std::string::npos);
  EXPECT_FALSE(exists("p\\b.txt"));
  // k: the same files agree; a changed one and a missing one do not.
  r = tar("--use-directory=1 kvf \"" + at("p.tar") + "\" \"" + at("src") + "\\\"");
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_NE(r.report.find("一致: a.txt"), std::string::npos) << r.report;
  write("src\\b.txt", repeat("b.txt") + "!");
  r = tar("--use-directory=1 kf \"" + at("p.tar") + "\" \"" + at("src") + "\\\"");
  EXPECT_EQ(r.result, dllsupport::kCrcError);
  EXPECT_NE(r.report.find("相違があります: b.txt"), std::string::npos) << r.report;
  // r: appended after the members, the first ones kept.
  r = tar("r -vf \"" + at("p.tar") + "\" \"" + at("src") + "\\\" \"sub\\c.txt\"");
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(names(at("p.tar")), (std::vector<std::string>{"a.txt", "b.txt", "sub\\c.txt"}));
  ASSERT_EQ(tar("xf \"" + at("p.tar") + "\" -o \"" + at("back") + "\" a.txt").result, 0);
  EXPECT_EQ(read("back\\a.txt"), repeat("a.txt"));
  EXPECT_EQ(fmt::platform::stat(at("p.tar")).size % 10240, 0u);
  // r refuses a compressed archive and leaves it as it was.
  ASSERT_EQ(tar("c -vfz \"" + at("z.tgz") + "\" \"" + at("src") + "\\\" a.txt").result, 0);
  const std::string before = read("z.tgz");
  EXPECT_EQ(tar("r -vf \"" + at("z.tgz") + "\" \"" + at("src") + "\\\" b.txt").result, dllsupport::kUnsupported);
  EXPECT_EQ(read("z.tgz"), before);
  // N DATE: only files stamped then or later.
  r = tar("c -vf \"" + at("new.tar") + "\" -N 21000101 \"" + at("src") + "\\\" a.txt b.txt");
  EXPECT_EQ(r.result, dllsupport::kNothingToDo) << r.report;
  r = tar("c -vf \"" + at("old.tar") + "\" -N 2001-01-01 \"" + at("src") + "\\\" a.txt b.txt");
  EXPECT_EQ(r.result, 0) << r.report;
  EXPECT_EQ(names(at("old.tar")).size(), 2u);
}

TEST_F(Tar32Test, CommandLineMistakesAndUnsupportedSwitches) {
  EXPECT_EQ(tar("").result, dllsupport::kBadCommand);
  EXPECT_EQ(tar("x").result, dllsupport::kBadCommand);
  EXPECT_EQ(tar("xvf").result, dllsupport::kBadCommand);  // f without its operand
  EXPECT_EQ(tar("xw a.tar").result, dllsupport::kBadCommand);
  EXPECT_EQ(tar("xt a.tar").result, dllsupport::kBadCommand);
  EXPECT_EQ(tar("--use-directory=2 x a.tar").result, dllsupport::kBadCommand);
  EXPECT_EQ(tar("xMf a.tar").result, dllsupport::kUnsupported);
  EXPECT_EQ(tar("cef a.tar x").result, dllsupport::kUnsupported);
  EXPECT_EQ(tar("ref a.tar x").result, dllsupport::kUnsupported);
  const Call missing = tar("xf \"" + at("nothing.tar") + "\"");
  EXPECT_EQ(missing.result, dllsupport::kArchiveNotFound);
  EXPECT_NE(missing.report.find(at("nothing.tar")), std::string::npos) << missing.report;
  write("plain.txt", "not an archive at all, only text");
  EXPECT_EQ(tar("xf \"" + at("plain.txt") + "\"").result, dllsupport::kNotArchive);
}

// Several handles at once, and a report longer than its buffer cut at a whole character.
TEST_F(Tar32Test, HandlesAndReportLimits) {
  makeSources();
  for (int i = 0; i < 40; ++i) write("many\\日本語" + std::to_string(i) + ".txt", "x");
  ASSERT_EQ(tar("c -vf \"" + at("m.tar") + "\" \"" + at("many") + "\\\" *.txt").result, 0);
  ASSERT_EQ(tar("c -vfz \"" + at("s.tgz") + "\" \"" + at("src") + "\\\" a.txt").result, 0);
  archiver::ArchiveHandle a = lib().openArchive(nullptr, at("m.tar").c_str(), archiver::kOpenModeList);
  archiver::ArchiveHandle b = lib().openArchive(nullptr, at("s.tgz").c_str(), archiver::kOpenModeList);
  ASSERT_TRUE(a && b);
  archiver::ArcItemInfo ia{}, ib{};
  EXPECT_EQ(lib().findFirst(a, "*.*", &ia), 0);
  EXPECT_EQ(lib().findFirst(b, "*.*", &ib), 0);
  EXPECT_STREQ(ib.name, "a.txt");
  EXPECT_EQ(lib().findNext(b, &ib), -1);
  EXPECT_EQ(lib().findNext(a, &ia), 0);
  lib().closeArchive(a);
  lib().closeArchive(b);
  for (DWORD size : {1u, 2u, 37u, 38u, 39u, 200u}) {
    const Call r = tar("t \"" + at("m.tar") + "\"", size);
    EXPECT_LT(r.report.size(), size);
    // Never half of a double-byte character at the end.
    size_t i = 0;
    while (i < r.report.size()) i += IsDBCSLeadByteEx(932, static_cast<BYTE>(r.report[i])) ? 2 : 1;
    EXPECT_EQ(i, r.report.size()) << size;
  }
}

}  // namespace
