// The extraction policy over a tiny in-memory reader: confinement, links, the
// overwrite rules, failures and cancel leaving existing files untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "core/extract.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
namespace pf = fmt::platform;
using fmt::Entry;
using fmt::Outcome;
using testsupport::TempDir;

struct FakeItem {
  Entry entry;
  std::vector<uint8_t> data;
  bool badCrc = false;  // decodes, then reports a checksum error
};

class FakeReader : public fmt::ArchiveReader {
 public:
  const char* formatName() const override { return "LZH"; }
  const std::vector<Entry>& entries() const override { return entries_; }
  const std::vector<std::string>& warnings() const override { return warnings_; }
  void extract(size_t index, fmt::OutStream& out, const fmt::ProgressFn& progress) override {
    const FakeItem& item = items_.at(index);
    ++extractCalls;
    for (size_t pos = 0; pos < item.data.size(); pos += 4096) {
      const size_t n = std::min<size_t>(4096, item.data.size() - pos);
      out.write(item.data.data() + pos, n);
      if (progress && !progress(pos + n, item.data.size())) fmt::fail(fmt::ErrorKind::Cancelled, "cancelled");
    }
    if (item.badCrc) fmt::fail(fmt::ErrorKind::Checksum, "CRC error");
  }

  FakeItem& add(const std::string& name, const std::string& content, int64_t mtime = 1600000000) {
    return add(name, std::vector<uint8_t>(content.begin(), content.end()), mtime);
  }
  FakeItem& add(const std::string& name, std::vector<uint8_t> data, int64_t mtime = 1600000000) {
    FakeItem item;
    item.entry.name = name;
    item.entry.size = data.size();
    item.entry.mtime = mtime;
    item.data = std::move(data);
    items_.push_back(std::move(item));
    entries_.push_back(items_.back().entry);
    return items_.back();
  }
  void addFolder(const std::string& name, int64_t mtime) {
    add(name, "", mtime);
    entries_.back().kind = items_.back().entry.kind = fmt::EntryKind::Folder;
  }
  void setKind(fmt::EntryKind k) { entries_.back().kind = items_.back().entry.kind = k; }
  void setAttributes(uint32_t a) { entries_.back().attributes = items_.back().entry.attributes = a; }
  void setBadCrc() { items_.back().badCrc = true; }

  int extractCalls = 0;

 private:
  std::vector<FakeItem> items_;
  std::vector<Entry> entries_;
  std::vector<std::string> warnings_;
};

// Records events and answers overwrite questions from a script.
class Recorder : public fmt::ExtractObserver {
 public:
  fmt::OverwriteAnswer askOverwrite(const Entry& e, const std::string&, const pf::FileInfo&) override {
    asked.push_back(e.name);
    if (answers.empty()) return fmt::OverwriteAnswer::No;
    auto a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  void onEvent(const fmt::ExtractEvent& ev) override { events.push_back(ev); }
  bool onProgress(const Entry& e, uint64_t done, uint64_t) override {
    if (cancelAfterBytes >= 0 && e.name == cancelEntry && done >= static_cast<uint64_t>(cancelAfterBytes)) return false;
    return true;
  }

  Outcome outcomeOf(const std::string& name) const {
    for (const auto& ev : events)
      if (ev.entry->name == name) return ev.outcome;
    ADD_FAILURE() << "no event for " << name;
    return Outcome::Failed;
  }
  const fmt::ExtractEvent* eventOf(const std::string& name) const {
    for (const auto& ev : events)
      if (ev.entry->name == name) return &ev;
    return nullptr;
  }

  std::vector<fmt::OverwriteAnswer> answers;
  std::vector<std::string> asked;
  std::vector<fmt::ExtractEvent> events;
  std::string cancelEntry;
  int64_t cancelAfterBytes = -1;
};

std::string content(const std::string& path) {
  const auto d = testsupport::readFile(path);
  return std::string(d.begin(), d.end());
}

// Every path under `root`, relative, sorted; folders end in '/'.
std::vector<std::string> tree(const std::string& root) {
  std::vector<std::string> out;
  for (const auto& it : fs::recursive_directory_iterator(root)) {
    std::string rel = fs::relative(it.path(), root).generic_string();
    if (it.is_directory() && !it.is_symlink()) rel += '/';
    out.push_back(rel);
  }
  std::sort(out.begin(), out.end());
  return out;
}

fmt::ExtractRequest requestFor(const std::string& dest, fmt::Overwrite ow = fmt::Overwrite::Always) {
  fmt::ExtractRequest req;
  req.destination = dest;
  req.overwrite = ow;
  return req;
}

const int64_t kOld = 1500000000, kMid = 1600000000, kNew = 1700000000;

TEST(Extract, FilesFoldersStampsAndAttributes) {
  TempDir dir;
  FakeReader r;
  r.addFolder("docs", kOld);
  r.add("docs/a.txt", "alpha", kMid);
  r.add("docs/sub/b.txt", testsupport::textBytes(300000, 3), kNew);
  r.add("ro.txt", "locked", kMid);
  r.setAttributes(fmt::kAttrReadOnly | fmt::kAttrArchive);
  Recorder rec;
  const std::string dest = dir / "out";  // created by the extraction
  const auto sum = fmt::extractEntries(r, requestFor(dest), rec);
  EXPECT_TRUE(sum.ok());
  EXPECT_EQ(sum.done, 4u);
  EXPECT_EQ(tree(dest), (std::vector<std::string>{"docs/", "docs/a.txt", "docs/sub/", "docs/sub/b.txt", "ro.txt"}));
  EXPECT_EQ(content(dest + "/docs/a.txt"), "alpha");
  EXPECT_EQ(testsupport::readFile(dest + "/docs/sub/b.txt"), testsupport::textBytes(300000, 3));
  EXPECT_EQ(pf::stat(dest + "/docs/a.txt").mtime, kMid);
  EXPECT_EQ(pf::stat(dest + "/docs/sub/b.txt").mtime, kNew);
  EXPECT_EQ(pf::stat(dest + "/docs").mtime, kOld);  // set after its files were written
  EXPECT_NE(pf::stat(dest + "/ro.txt").attributes & fmt::kAttrReadOnly, 0u);
  EXPECT_EQ(rec.outcomeOf("docs"), Outcome::FolderMade);
  EXPECT_EQ(rec.outcomeOf("docs/a.txt"), Outcome::Created);
  EXPECT_EQ(rec.eventOf("docs/a.txt")->path, dest + "/docs/a.txt");
}

TEST(Extract, NamesAreConfinedAndFixesReported) {
  TempDir dir;
  FakeReader r;
  r.add("../escape.txt", "1");
  r.add("/abs/root.txt", "2");
  r.add("C:\\Windows\\drive.txt", "3");
  r.add("\\\\server\\share\\unc.txt", "4");
  r.add("dev/con.txt", "5");
  r.add("q?<x>.txt", "6");
  r.add("..", "7");  // nothing remains of it
  Recorder rec;
  const std::string dest = dir / "out";
  const auto sum = fmt::extractEntries(r, requestFor(dest), rec);
  EXPECT_EQ(sum.done, 6u);
  EXPECT_EQ(sum.skipped, 1u);
  EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"out/", "out/Windows/", "out/Windows/drive.txt", "out/abs/",
                                                        "out/abs/root.txt", "out/dev/", "out/dev/_con.txt",
                                                        "out/escape.txt", "out/q__x_.txt", "out/unc.txt"}));
  EXPECT_TRUE(rec.eventOf("../escape.txt")->fixes.droppedDotDot);
  EXPECT_TRUE(rec.eventOf("/abs/root.txt")->fixes.droppedRoot);
  EXPECT_TRUE(rec.eventOf("C:\\Windows\\drive.txt")->fixes.droppedRoot);
  EXPECT_TRUE(rec.eventOf("dev/con.txt")->fixes.renamedDevice);
  EXPECT_TRUE(rec.eventOf("q?<x>.txt")->fixes.replacedChars);
  EXPECT_EQ(rec.outcomeOf(".."), Outcome::SkippedUnsafe);
}

// tar -C dir . stores "./" and "./a": the destination itself and a plain name,
// neither a fix nor an unsafe entry.
TEST(Extract, TheDotFolderIsTheDestination) {
  TempDir dir;
  FakeReader r;
  r.addFolder(".", 1600000000);
  r.add("./a.txt", "a");
  Recorder rec;
  const auto sum = fmt::extractEntries(r, requestFor(dir / "out"), rec);
  EXPECT_EQ(sum.done, 1u);
  EXPECT_EQ(sum.skipped, 0u);
  EXPECT_FALSE(rec.eventOf("./a.txt")->fixes.any());
  EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"out/", "out/a.txt"}));
}

TEST(Extract, ShiftJisTrailByteNamesStayOneComponent) {
  TempDir dir;
  FakeReader r;
  r.add("\x83\x5C\x83\x74\x83\x67\\\x95\x5C.txt", "x");  // ソフト\表.txt
  Recorder rec;
  fmt::extractEntries(r, requestFor(dir.path()), rec);
  EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88/",
                                                        "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88/\xE8\xA1\xA8.txt"}));
}

TEST(Extract, LinkEntriesAreNeverCreated) {
  TempDir dir;
  FakeReader r;
  r.add("link", "");
  r.setKind(fmt::EntryKind::Symlink);
  r.add("hard", "");
  r.setKind(fmt::EntryKind::Hardlink);
  r.add("link/through.txt", "x");  // would follow the link if it had been made
  Recorder rec;
  const auto sum = fmt::extractEntries(r, requestFor(dir / "out"), rec);
  EXPECT_EQ(rec.outcomeOf("link"), Outcome::SkippedUnsafe);
  EXPECT_EQ(rec.outcomeOf("hard"), Outcome::SkippedUnsafe);
  EXPECT_EQ(sum.skipped, 2u);
  EXPECT_EQ(tree(dir / "out"), (std::vector<std::string>{"link/", "link/through.txt"}));
}

#ifndef _WIN32  // making links needs privileges there
TEST(Extract, SymlinkedDestinationComponentIsRefused) {
  TempDir dir;
  pf::makeFolders(dir / "outside");
  testsupport::writeFile(dir / "outside/target.txt", "keep");
  pf::makeFolders(dir / "out");
  ASSERT_EQ(symlink((dir / "outside").c_str(), (dir / "out/sub").c_str()), 0);
  ASSERT_EQ(symlink((dir / "outside/target.txt").c_str(), (dir / "out/file.txt").c_str()), 0);
  FakeReader r;
  r.add("sub/new.txt", "evil");
  r.add("file.txt", "evil");
  r.add("sub", "");
  Recorder rec;
  const auto sum = fmt::extractEntries(r, requestFor(dir / "out"), rec);
  EXPECT_EQ(sum.failed, 3u);
  EXPECT_EQ(rec.outcomeOf("sub/new.txt"), Outcome::Failed);
  EXPECT_EQ(rec.outcomeOf("file.txt"), Outcome::Failed);
  EXPECT_NE(rec.eventOf("file.txt")->detail.find("symbolic link"), std::string::npos);
  EXPECT_EQ(tree(dir / "outside"), std::vector<std::string>{"target.txt"});
  EXPECT_EQ(content(dir / "outside/target.txt"), "keep");
  EXPECT_TRUE(pf::stat(dir / "out/file.txt").isLink);
}
#endif

// Existing files: old.txt older than the entries, new.txt newer.
struct Existing {
  TempDir dir;
  std::string dest = dir / "out";
  Existing() {
    testsupport::writeFile(dest + "/old.txt", "old file");
    pf::setMtime(dest + "/old.txt", kOld);
    testsupport::writeFile(dest + "/new.txt", "new file");
    pf::setMtime(dest + "/new.txt", kNew);
  }
  void fill(FakeReader& r) {
    r.add("old.txt", "entry", kMid);
    r.add("new.txt", "entry", kMid);
    r.add("fresh.txt", "entry", kMid);
  }
};

TEST(Extract, OverwritePolicies) {
  {
    Existing ex;
    FakeReader r;
    ex.fill(r);
    Recorder rec;
    const auto sum = fmt::extractEntries(r, requestFor(ex.dest, fmt::Overwrite::Never), rec);
    EXPECT_EQ(sum.skipped, 2u);
    EXPECT_EQ(content(ex.dest + "/old.txt"), "old file");
    EXPECT_EQ(content(ex.dest + "/new.txt"), "new file");
    EXPECT_EQ(content(ex.dest + "/fresh.txt"), "entry");
    EXPECT_EQ(rec.outcomeOf("old.txt"), Outcome::SkippedExisting);
    EXPECT_EQ(r.extractCalls, 1);  // skipped entries are not even decoded
  }
  {
    Existing ex;
    FakeReader r;
    ex.fill(r);
    Recorder rec;
    fmt::extractEntries(r, requestFor(ex.dest, fmt::Overwrite::IfNewer), rec);
    EXPECT_EQ(content(ex.dest + "/old.txt"), "entry");
    EXPECT_EQ(content(ex.dest + "/new.txt"), "new file");
    EXPECT_EQ(rec.outcomeOf("old.txt"), Outcome::Replaced);
    EXPECT_EQ(rec.outcomeOf("new.txt"), Outcome::SkippedNotNewer);
    EXPECT_EQ(rec.outcomeOf("fresh.txt"), Outcome::Created);
    EXPECT_EQ(pf::stat(ex.dest + "/old.txt").mtime, kMid);
  }
  {
    Existing ex;
    FakeReader r;
    ex.fill(r);
    Recorder rec;
    fmt::extractEntries(r, requestFor(ex.dest, fmt::Overwrite::Always), rec);
    EXPECT_EQ(content(ex.dest + "/old.txt"), "entry");
    EXPECT_EQ(content(ex.dest + "/new.txt"), "entry");
    EXPECT_TRUE(rec.asked.empty());
  }
}

TEST(Extract, AskPolicyAnswers) {
  {
    Existing ex;
    FakeReader r;
    ex.fill(r);
    Recorder rec;
    rec.answers = {fmt::OverwriteAnswer::No, fmt::OverwriteAnswer::Yes};
    fmt::extractEntries(r, requestFor(ex.dest, fmt::Overwrite::Ask), rec);
    EXPECT_EQ(rec.asked, (std::vector<std::string>{"old.txt", "new.txt"}));
    EXPECT_EQ(content(ex.dest + "/old.txt"), "old file");
    EXPECT_EQ(content(ex.dest + "/new.txt"), "entry");
  }
  {
    Existing ex;
    FakeReader r;
    ex.fill(r);
    Recorder rec;
    rec.answers = {fmt::OverwriteAnswer::YesToAll};
    fmt::extractEntries(r, requestFor(ex.dest, fmt::Overwrite::Ask), rec);
    EXPECT_EQ(rec.asked, std::vector<std::string>{"old.txt"});  // not asked again
    EXPECT_EQ(content(ex.dest + "/new.txt"), "entry");
  }
  {
    Existing ex;
    FakeReader r;
    ex.fill(r);
    Recorder rec;
    rec.answers = {fmt::OverwriteAnswer::Cancel};
    const auto sum = fmt::extractEntries(r, requestFor(ex.dest, fmt::Overwrite::Ask), rec);
    EXPECT_TRUE(sum.cancelled);
    EXPECT_FALSE(sum.ok());
    EXPECT_EQ(content(ex.dest + "/old.txt"), "old file");
    EXPECT_FALSE(testsupport::fileExists(ex.dest + "/fresh.txt"));  // stopped there
  }
  {
    // Without an observer that asks, Ask keeps existing files.
    Existing ex;
    FakeReader r;
    ex.fill(r);
    fmt::ExtractObserver silent;
    const auto sum = fmt::extractEntries(r, requestFor(ex.dest, fmt::Overwrite::Ask), silent);
    EXPECT_EQ(sum.skipped, 2u);
    EXPECT_EQ(content(ex.dest + "/new.txt"), "new file");
  }
}

TEST(Extract, ReadOnlyExistingFileIsReplaced) {
  TempDir dir;
  testsupport::writeFile(dir / "ro.txt", "old");
  pf::setAttributes(dir / "ro.txt", fmt::kAttrReadOnly);
  FakeReader r;
  r.add("ro.txt", "replacement");
  Recorder rec;
  const auto sum = fmt::extractEntries(r, requestFor(dir.path()), rec);
  EXPECT_TRUE(sum.ok());
  EXPECT_EQ(content(dir / "ro.txt"), "replacement");
  EXPECT_EQ(pf::stat(dir / "ro.txt").attributes & fmt::kAttrReadOnly, 0u);  // the entry is not read-only
}

TEST(Extract, ChecksumErrorKeepsExistingFileAndLeavesNoTemporary) {
  TempDir dir;
  testsupport::writeFile(dir / "a.txt", "original");
  FakeReader r;
  r.add("a.txt", testsupport::randomBytes(50000, 1));
  r.setBadCrc();
  r.add("b.txt", "fine");
  r.setBadCrc();
  r.add("c.txt", "good");
  Recorder rec;
  const auto sum = fmt::extractEntries(r, requestFor(dir.path()), rec);
  EXPECT_EQ(sum.failed, 2u);
  EXPECT_EQ(sum.done, 1u);
  EXPECT_EQ(rec.eventOf("a.txt")->errorKind, fmt::ErrorKind::Checksum);
  EXPECT_EQ(rec.eventOf("a.txt")->detail, "CRC error");
  EXPECT_EQ(content(dir / "a.txt"), "original");
  EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"a.txt", "c.txt"}));
}

TEST(Extract, InjectedWriteFailureKeepsOriginal) {
  TempDir dir;
  testsupport::writeFile(dir / "big.bin", "original");
  FakeReader r;
  r.add("big.bin", testsupport::randomBytes(600000, 2));  // larger than the file buffer
  Recorder rec;
  pf::failWritesAfter(100000);
  const auto sum = fmt::extractEntries(r, requestFor(dir.path()), rec);
  pf::failWritesAfter(-1);
  EXPECT_EQ(sum.failed, 1u);
  EXPECT_EQ(rec.eventOf("big.bin")->errorKind, fmt::ErrorKind::Io);
  EXPECT_EQ(content(dir / "big.bin"), "original");
  EXPECT_EQ(tree(dir.path()), std::vector<std::string>{"big.bin"});
}

TEST(Extract, CancelInTheMiddleStopsCleanly) {
  TempDir dir;
  testsupport::writeFile(dir / "two.bin", "existing");
  FakeReader r;
  r.add("one.txt", "first");
  r.add("two.bin", testsupport::randomBytes(200000, 4));
  r.add("three.txt", "third");
  Recorder rec;
  rec.cancelEntry = "two.bin";
  rec.cancelAfterBytes = 50000;
  const auto sum = fmt::extractEntries(r, requestFor(dir.path()), rec);
  EXPECT_TRUE(sum.cancelled);
  EXPECT_EQ(sum.done, 1u);
  EXPECT_EQ(content(dir / "two.bin"), "existing");
  EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"one.txt", "two.bin"}));
}

TEST(Extract, TestModeWritesNothing) {
  TempDir dir;
  FakeReader r;
  r.addFolder("f", kOld);
  r.add("f/good.txt", "ok");
  r.add("f/bad.txt", "bad");
  r.setBadCrc();
  Recorder rec;
  auto req = requestFor(dir / "never");
  req.testOnly = true;
  const auto sum = fmt::extractEntries(r, req, rec);
  EXPECT_EQ(sum.done, 2u);
  EXPECT_EQ(sum.failed, 1u);
  EXPECT_EQ(rec.outcomeOf("f/good.txt"), Outcome::Tested);
  EXPECT_EQ(rec.outcomeOf("f/bad.txt"), Outcome::Failed);
  EXPECT_FALSE(testsupport::fileExists(dir / "never"));
}

TEST(Extract, FlatExtractionAndSelectedIndices) {
  TempDir dir;
  FakeReader r;
  r.addFolder("a", kOld);
  r.add("a/b/one.txt", "1");
  r.add("a/two.txt", "2");
  r.add("three.txt", "3");
  Recorder rec;
  auto req = requestFor(dir.path());
  req.keepFolders = false;
  req.indices = {0, 1, 3};
  const auto sum = fmt::extractEntries(r, req, rec);
  EXPECT_EQ(sum.done, 2u);
  EXPECT_EQ(tree(dir.path()), (std::vector<std::string>{"one.txt", "three.txt"}));
}

}  // namespace
