// arctool driven as a user would: archives made by independent tools and by
// arctool itself, hostile archives from the corpus, and its error reporting.
// Cases skip while the format they need is not there yet.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "core/checksum.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testsupport::run;
using testsupport::sh;
using testsupport::TempDir;

struct Result {
  int status;
  std::string out, err;
};

Result arctool(const std::string& args, const TempDir& scratch, const std::string& cwd = "") {
  const std::string errFile = scratch / "stderr.txt";
  std::string cmd = (cwd.empty() ? "" : "cd " + sh(cwd) + " && ") + sh(testsupport::arctool()) + " " + args + " 2>" + sh(errFile);
  Result r;
  r.status = run(cmd, &r.out);
  const auto err = testsupport::readFile(errFile);
  r.err.assign(err.begin(), err.end());
  return r;
}

std::vector<std::vector<std::string>> rows(const std::string& listing) {
  std::vector<std::vector<std::string>> out;
  std::istringstream in(listing);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    out.push_back(fields);
  }
  return out;
}

// Relative paths of everything under root; folders end in '/', links in '@'.
std::vector<std::string> tree(const std::string& root) {
  std::vector<std::string> out;
  for (const auto& it : fs::recursive_directory_iterator(root)) {
    std::string rel = fs::relative(it.path(), root).generic_string();
    if (it.is_symlink()) rel += '@';
    else if (it.is_directory()) rel += '/';
    out.push_back(rel);
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool haveArctool() { return testsupport::fileExists(testsupport::arctool()); }

std::string crc32Hex(const std::vector<uint8_t>& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08x", fmt::crc32Update(0, d.data(), d.size()));
  return buf;
}

// The sample tree every round trip uses.
void makeSample(const std::string& root) {
  testsupport::writeFile(root + "/sample/readme.txt", testsupport::textBytes(20000, 1));
  testsupport::writeFile(root + "/sample/bin/data.bin", testsupport::randomBytes(70000, 2));
  testsupport::writeFile(root + "/sample/bin/empty", "");
  testsupport::writeFile(root + "/sample/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", "nihongo");  // 日本語.txt
}

void expectSameFiles(const std::string& a, const std::string& b) {
  ASSERT_EQ(tree(a), tree(b));
  for (const auto& rel : tree(a))
    if (rel.back() != '/') EXPECT_EQ(testsupport::readFile(a + "/" + rel), testsupport::readFile(b + "/" + rel)) << rel;
}

TEST(Arctool, UsageAndErrorsAreOneLine) {
  if (!haveArctool()) GTEST_SKIP() << "arctool not built";
  TempDir dir;
  EXPECT_EQ(arctool("", dir).status, 2);
  EXPECT_EQ(arctool("frobnicate x", dir).status, 2);
  Result r = arctool("list " + sh(dir / "missing.lzh"), dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(r.err.rfind("arctool: ", 0), 0u) << r.err;
  testsupport::writeFile(dir / "plain.txt", "not an archive at all, just some text\n");
  r = arctool("test " + sh(dir / "plain.txt"), dir);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("not an archive"), std::string::npos) << r.err;
  r = arctool("create nosuchformat " + sh(dir / "x.arc") + " plain.txt", dir, dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unknown format"), std::string::npos) << r.err;
  EXPECT_FALSE(testsupport::fileExists(dir / "x.arc"));
}

TEST(Arctool, ReadsWhatZipWrote) {
  if (!haveArctool()) GTEST_SKIP() << "arctool not built";
  if (!testsupport::haveTool("zip")) GTEST_SKIP() << "zip not installed";
  TempDir dir;
  makeSample(dir.path());
  ASSERT_EQ(run("cd " + sh(dir.path()) + " && zip -qr sample.zip sample"), 0);
  Result r = arctool("list " + sh(dir / "sample.zip"), dir);
  if (r.status != 0 && r.err.find("not an archive") != std::string::npos) GTEST_SKIP() << "no ZIP reader yet";
  ASSERT_EQ(r.status, 0) << r.err;

  const auto data = testsupport::readFile(dir / "sample/bin/data.bin");
  bool sawFolder = false, sawData = false;
  for (const auto& f : rows(r.out)) {
    ASSERT_EQ(f.size(), 6u) << "six tab-separated fields";
    EXPECT_EQ(f[4].size(), 19u) << f[4];  // YYYY-MM-DD HH:MM:SS
    if (f[5] == "sample/bin/") sawFolder = true;
    if (f[5] == "sample/bin/data.bin") {
      sawData = true;
      EXPECT_EQ(f[2], std::to_string(data.size()));
      EXPECT_EQ(f[3], crc32Hex(data));
    }
  }
  EXPECT_TRUE(sawFolder);
  EXPECT_TRUE(sawData);

  EXPECT_EQ(arctool("test " + sh(dir / "sample.zip"), dir).status, 0);
  r = arctool("cat " + sh(dir / "sample.zip") + " sample/bin/data.bin", dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out == std::string(data.begin(), data.end()));
  EXPECT_EQ(arctool("cat " + sh(dir / "sample.zip") + " sample/none", dir).status, 1);

  r = arctool("extract " + sh(dir / "sample.zip") + " " + sh(dir / "out"), dir);
  EXPECT_EQ(r.status, 0) << r.err;
  expectSameFiles(dir / "sample", dir / "out/sample");
}

// Every format arctool can write reads back to the same files.
TEST(Arctool, CreateRoundTrips) {
  if (!haveArctool()) GTEST_SKIP() << "arctool not built";
  TempDir dir;
  makeSample(dir.path());
  int made = 0;
  for (const char* format : {"lzh:lh5", "lzh:lh7", "cab:mszip", "cab:lzx:21", "tar", "tgz:6", "tbz:9", "taz"}) {
    SCOPED_TRACE(format);
    const std::string archive = dir / (std::string("out-") + format + ".arc");
    Result r = arctool(std::string("create ") + format + " " + sh(archive) + " sample", dir, dir.path());
    if (r.status == 2 && r.err.find("unknown format") != std::string::npos) continue;
    ASSERT_EQ(r.status, 0) << r.err;
    ++made;
    EXPECT_EQ(arctool("test " + sh(archive), dir).status, 0);
    const std::string out = archive + ".d";
    r = arctool("extract " + sh(archive) + " " + sh(out), dir);
    ASSERT_EQ(r.status, 0) << r.err;
    expectSameFiles(dir / "sample", out + "/sample");
  }
  if (made == 0) GTEST_SKIP() << "no format registered for create yet";
}

TEST(Arctool, HostileLzhArchivesStayInside) {
  if (!haveArctool()) GTEST_SKIP() << "arctool not built";
  const std::string reg = testsupport::testdata() + "/lzh/regression";
  if (testsupport::testdata().empty() || !fs::is_directory(reg)) GTEST_SKIP() << "no LZH corpus";
  if (arctool("list " + sh(reg + "/dotdot.lzh"), TempDir()).status != 0) GTEST_SKIP() << "no LZH reader yet";
  for (const char* name : {"abspath.lzh", "dotdot.lzh", "symlink1.lzh", "symlink2.lzh", "symlink3.lzh", "badterm.lzh"}) {
    SCOPED_TRACE(name);
    if (!fs::exists(reg + "/" + name)) continue;
    TempDir dir;
    const Result r = arctool("extract " + sh(reg + "/" + name) + " " + sh(dir / "out"), dir);
    for (const auto& rel : tree(dir.path())) {
      if (rel == "stderr.txt") continue;
      EXPECT_EQ(rel.rfind("out", 0), 0u) << rel;          // nothing beside the destination
      EXPECT_EQ(rel.find('@'), std::string::npos) << rel;  // no link made
      EXPECT_EQ(rel.find('\x1b'), std::string::npos) << rel;
    }
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << "escape reached the terminal";
    EXPECT_FALSE(r.err.empty()) << "what confinement changed is reported";
  }
}

TEST(Arctool, DamagedArchiveFailsTest) {
  if (!haveArctool()) GTEST_SKIP() << "arctool not built";
  const std::string trunc = testsupport::testdata() + "/lzh/regression/truncated.lzh";
  if (!fs::exists(trunc)) GTEST_SKIP() << "no LZH corpus";
  TempDir dir;
  const Result r = arctool("test " + sh(trunc), dir);
  if (r.err.find("not an archive") != std::string::npos) GTEST_SKIP() << "no LZH reader yet";
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(r.err.empty());
  EXPECT_EQ(tree(dir.path()), std::vector<std::string>{"stderr.txt"});  // test mode writes nothing
}

}  // namespace
