// Round trips with the independent tools: archives from GNU tar, bsdtar, gzip,
// bzip2 and compress read by us; ours (written by arctool) read by them.
#include <gtest/gtest.h>

#include <map>

#include "base/error.h"
#include "tar/tar_format.h"
#include "tar/tar_reader.h"
#include "tar/tar_writer.h"
#include "test_support.h"

namespace {

using testsupport::run;
using testsupport::sh;

const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";                // 日本語 in UTF-8
const std::string kJapaneseSjis = "\x93\xFA\x96\x7B\x8C\xEA\x83\x5C";               // 日本語ソ: 5C trail byte

bool haveTools() { return testsupport::haveTool("tar") && testsupport::haveTool("bsdtar"); }

// Files and folders (relative names) with their contents; links apart.
struct Tree {
  testsupport::TempDir dir;
  std::map<std::string, std::vector<uint8_t>> files;
  std::vector<std::string> folders;
  std::map<std::string, std::string> symlinks;

  std::string root() const { return dir / "t"; }
  void add(const std::string& name, const std::vector<uint8_t>& data) {
    files[name] = data;
    const std::string path = root() + "/" + name;
    run("mkdir -p " + sh(path.substr(0, path.rfind('/'))));
    testsupport::writeFile(path, data);
  }
  void folder(const std::string& name) {
    folders.push_back(name);
    run("mkdir -p " + sh(root() + "/" + name));
  }
  void symlink(const std::string& name, const std::string& target) {
    symlinks[name] = target;
    run("ln -s " + sh(target) + " " + sh(root() + "/" + name));
  }
  // The cases every round trip covers.
  void standard() {
    add("text.txt", testsupport::textBytes(200000, 1));
    add("noise.bin", testsupport::randomBytes(70000, 2));
    add("empty", {});
    add(kJapanese + "/" + kJapanese + ".txt", testsupport::textBytes(3000, 3));
    add(std::string(100, 'a'), {'1'});                                    // exactly the name field
    add(std::string(99, 'b') + "/" + std::string(100, 'c'), {'2'});       // splits over prefix and name
    add(std::string(120, 'd') + "/" + std::string(255, 'e'), {'3'});      // needs a long name
    add("deep/" + std::string(200, 'f') + "/" + std::string(200, 'g') + "/h.txt", {'4'});
    folder("empty-folder");
    // arctool takes links inside the folders it stores (its operands' own links
    // are left out by the source collection).
    folder("links");
    symlink("links/to-text", "../text.txt");
  }
};

std::string entryName(const fmt::Entry& e) { return e.name; }

std::vector<uint8_t> extract(fmt::ArchiveReader& r, size_t i) {
  fmt::MemoryOutStream out;
  r.extract(i, out);
  return out.data;
}

void expectReaderHoldsTree(const std::string& archive, const Tree& tree, const std::string& prefix = "") {
  auto r = fmt::openTar(archive);
  ASSERT_TRUE(r) << archive;
  EXPECT_TRUE(r->warnings().empty()) << r->warnings()[0];
  std::map<std::string, size_t> byName;
  for (size_t i = 0; i < r->entries().size(); i++) byName[entryName(r->entries()[i])] = i;
  for (const auto& [name, data] : tree.files) {
    auto it = byName.find(prefix + name);
    ASSERT_NE(it, byName.end()) << archive << ": no entry " << name;
    const fmt::Entry& e = r->entries()[it->second];
    EXPECT_EQ(e.kind, fmt::EntryKind::File) << name;
    EXPECT_EQ(e.encoding, fmt::NameEncoding::Utf8) << name;
    EXPECT_EQ(e.size, data.size()) << name;
    EXPECT_EQ(extract(*r, it->second), data) << archive << ": " << name;
  }
  for (const std::string& f : tree.folders) {
    auto it = byName.find(prefix + f);
    ASSERT_NE(it, byName.end()) << f;
    EXPECT_EQ(r->entries()[it->second].kind, fmt::EntryKind::Folder);
  }
  for (const auto& [name, target] : tree.symlinks) {
    auto it = byName.find(prefix + name);
    ASSERT_NE(it, byName.end()) << name;
    EXPECT_EQ(r->entries()[it->second].kind, fmt::EntryKind::Symlink);
    EXPECT_EQ(r->entries()[it->second].linkTarget, target);
  }
}

class TarOracle : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveTools()) GTEST_SKIP() << "GNU tar and bsdtar are needed";
    tree.standard();
  }
  // Runs in the tree's folder; the archive lands beside it.
  std::string make(const std::string& command, const std::string& archive) {
    const std::string path = tree.dir / archive;
    const int rc = run("cd " + sh(tree.root()) + " && " + command + " " + sh(path) + " * >/dev/null 2>&1");
    EXPECT_EQ(rc, 0) << command;
    return path;
  }
  Tree tree;
};

TEST_F(TarOracle, GnuTarArchivesInEveryFormatAndCompression) {
  for (const std::string format : {"gnu", "pax", "oldgnu"}) {
    for (const std::string z : {"", "z", "j", "Z"}) {
      // tar -Z needs compress to succeed; it reports growth with status 2.
      const std::string path = make("tar --format=" + format + " -c" + z + "f", "gnu-" + format + z + ".tar");
      SCOPED_TRACE(path);
      expectReaderHoldsTree(path, tree);
      auto r = fmt::openTar(path);
      ASSERT_TRUE(r);
      const int kinds[] = {1, 2, 6, 3};
      const int expectedKind = kinds[z.empty() ? 0 : (z == "z" ? 1 : (z == "j" ? 2 : 3))];
      EXPECT_EQ(fmt::tar::tarArchiveKind(*r), expectedKind);
    }
  }
}

TEST_F(TarOracle, BsdtarArchives) {
  for (const std::string format : {"pax", "paxr", "gnutar"}) {
    for (const std::string z : {"", "z", "j", "Z"}) {
      const std::string path = make("bsdtar --format=" + format + " -c" + z + "f", "bsd-" + format + z + ".tar");
      SCOPED_TRACE(path);
      expectReaderHoldsTree(path, tree);
    }
  }
}

TEST_F(TarOracle, OurArchivesReadByGnuTarAndBsdtar) {
  for (const std::string format : {"tar", "tgz:1", "tgz:9", "tbz:1", "tbz:9", "taz"}) {
    const std::string archive = tree.dir / ("ours-" + format.substr(0, 3) + format.substr(format.size() - 1));
    ASSERT_EQ(run("cd " + sh(tree.root()) + " && " + sh(testsupport::arctool()) + " create " + format + " " +
                  sh(archive) + " * 2>/dev/null"),
              0)
        << format;
    expectReaderHoldsTree(archive, tree);
    for (const std::string tool : {"tar", "bsdtar"}) {
      const std::string out = tree.dir / ("x-" + tool + format.substr(0, 3) + format.substr(format.size() - 1));
      ASSERT_EQ(run("mkdir -p " + sh(out) + " && " + tool + " -xf " + sh(archive) + " -C " + sh(out)), 0)
          << tool << " " << format;
      for (const auto& [name, data] : tree.files)
        EXPECT_EQ(testsupport::readFile(out + "/" + name), data) << tool << " " << format << " " << name;
      for (const std::string& f : tree.folders)
        EXPECT_EQ(run("test -d " + sh(out + "/" + f)), 0) << tool << " " << f;
      std::string target;
      run("readlink " + sh(out + "/links/to-text"), &target);
      EXPECT_EQ(target, "../text.txt\n") << tool << " " << format;
    }
  }
}

TEST(TarOracleNames, ShiftJisNamesFromRawByteFileNames) {
  if (!haveTools()) GTEST_SKIP() << "GNU tar and bsdtar are needed";
  testsupport::TempDir dir;
  const std::string folder = kJapaneseSjis;
  ASSERT_EQ(run("mkdir -p " + sh(dir / ("t/" + folder)) + " && printf sjis > " + sh(dir / ("t/" + folder + "/a.txt"))), 0);
  for (const std::string cmd : {"tar --format=gnu -cf", "tar --format=ustar -cf", "bsdtar --format=ustar -cf"}) {
    const std::string archive = dir / "sjis.tar";
    ASSERT_EQ(run("cd " + sh(dir / "t") + " && LC_ALL=C " + cmd + " " + sh(archive) + " *"), 0) << cmd;
    auto r = fmt::openTar(archive);
    ASSERT_TRUE(r);
    bool found = false;
    for (size_t i = 0; i < r->entries().size(); i++) {
      const fmt::Entry& e = r->entries()[i];
      EXPECT_EQ(e.encoding, fmt::NameEncoding::ShiftJis) << cmd;
      if (e.name == folder + "/a.txt") {
        found = true;
        EXPECT_EQ(extract(*r, i), (std::vector<uint8_t>{'s', 'j', 'i', 's'}));
      }
    }
    EXPECT_TRUE(found) << cmd;
  }
}

TEST(TarOracleNames, HardLinksDevicesAndFifosAreListedAsSuch) {
  if (!haveTools()) GTEST_SKIP() << "GNU tar and bsdtar are needed";
  testsupport::TempDir dir;
  ASSERT_EQ(run("mkdir -p " + sh(dir / "t") + " && cd " + sh(dir / "t") + " && printf data > f && ln f g && mkfifo p"), 0);
  for (const std::string cmd : {"tar --format=gnu -cf", "tar --format=pax -cf", "bsdtar --format=pax -cf"}) {
    const std::string archive = dir / "links.tar";
    ASSERT_EQ(run("cd " + sh(dir / "t") + " && " + cmd + " " + sh(archive) + " f g p"), 0) << cmd;
    auto r = fmt::openTar(archive);
    ASSERT_TRUE(r);
    ASSERT_EQ(r->entries().size(), 3u) << cmd;
    EXPECT_EQ(r->entries()[0].kind, fmt::EntryKind::File);
    EXPECT_EQ(r->entries()[1].kind, fmt::EntryKind::Hardlink) << cmd;
    EXPECT_EQ(r->entries()[1].linkTarget, "f") << cmd;
    EXPECT_EQ(r->entries()[2].kind, fmt::EntryKind::Fifo) << cmd;
    EXPECT_EQ(extract(*r, 0), (std::vector<uint8_t>{'d', 'a', 't', 'a'}));
  }
}

TEST(TarOracleSparse, GnuTarSparseFilesInEveryForm) {
  if (!testsupport::haveTool("tar")) GTEST_SKIP() << "GNU tar is needed";
  testsupport::TempDir dir;
  const std::string file = dir / "t/sparse.img";
  // Data at 0, at 1 MB and at the very end; holes between.
  ASSERT_EQ(run("mkdir -p " + sh(dir / "t") + " && truncate -s 3000000 " + sh(file) +
                " && printf start | dd of=" + sh(file) + " conv=notrunc status=none" +
                " && printf middle | dd of=" + sh(file) + " bs=1 seek=1048576 conv=notrunc status=none" +
                " && printf end | dd of=" + sh(file) + " bs=1 seek=2999997 conv=notrunc status=none"),
            0);
  const auto expected = testsupport::readFile(file);
  const std::string forms[] = {"--format=gnu", "--format=pax --sparse-version=0.0", "--format=pax --sparse-version=0.1",
                               "--format=pax --sparse-version=1.0"};
  for (const std::string& form : forms) {
    const std::string archive = dir / "sparse.tar";
    ASSERT_EQ(run("cd " + sh(dir / "t") + " && tar -S " + form + " -cf " + sh(archive) + " sparse.img"), 0) << form;
    auto r = fmt::openTar(archive);
    ASSERT_TRUE(r) << form;
    ASSERT_EQ(r->entries().size(), 1u) << form;
    EXPECT_EQ(r->entries()[0].name, "sparse.img") << form;
    EXPECT_EQ(r->entries()[0].size, expected.size()) << form;
    EXPECT_LT(r->entries()[0].packedSize, 100000u) << form;  // the holes are not stored
    EXPECT_EQ(extract(*r, 0), expected) << form;
  }
}

TEST(TarOracleSingle, CompressedFilesBothWays) {
  testsupport::TempDir dir;
  const auto data = testsupport::textBytes(400000, 9);
  testsupport::writeFile(dir / "notes.txt", data);
  struct Tool {
    std::string name, ext, compress, decompress;
    int kind;
  };
  const Tool tools[] = {{"gzip", "gz", "gzip -c", "gzip -dc", 4},
                        {"bzip2", "bz2", "bzip2 -c", "bzip2 -dc", 7},
                        {"compress", "Z", "compress -c", "compress -dc", 5}};
  for (const Tool& t : tools) {
    if (!testsupport::haveTool(t.name)) continue;
    const std::string theirs = dir / ("theirs." + t.ext);
    run("cd " + sh(dir.path()) + " && " + t.compress + " notes.txt > " + sh(theirs));
    auto r = fmt::openTar(theirs);
    ASSERT_TRUE(r) << t.name;
    EXPECT_EQ(fmt::tar::tarArchiveKind(*r), t.kind);
    ASSERT_EQ(r->entries().size(), 1u);
    // gzip stores the name; the others are named after the archive.
    EXPECT_EQ(r->entries()[0].name, t.name == "gzip" ? "notes.txt" : "theirs") << t.name;
    EXPECT_EQ(r->entries()[0].size, data.size());
    EXPECT_EQ(extract(*r, 0), data) << t.name;

    const std::string ours = dir / ("ours." + t.ext);
    ASSERT_EQ(run("cd " + sh(dir.path()) + " && " + sh(testsupport::arctool()) + " create " + t.ext + " " + sh(ours) +
                  " notes.txt"),
              0);
    ASSERT_EQ(run(t.decompress + " < " + sh(ours) + " > " + sh(dir / "back")), 0) << t.name;
    EXPECT_EQ(testsupport::readFile(dir / "back"), data) << t.name;
  }
  std::string listing;
  if (testsupport::haveTool("gzip")) {
    run("gzip -lN " + sh(dir / "ours.gz"), &listing);
    EXPECT_NE(listing.find("notes.txt"), std::string::npos) << listing;
  }
  EXPECT_NE(run("cd " + sh(dir.path()) + " && " + sh(testsupport::arctool()) + " create gz x.gz notes.txt notes.txt " +
                sh(dir / "back") + " 2>/dev/null"),
            0);  // more than one file
}

// A fake file of any size: reads give zeros without touching memory.
class Zeros : public fmt::InStream {
 public:
  explicit Zeros(uint64_t n) : left_(n) {}
  size_t read(void*, size_t n) override {
    if (n > left_) n = static_cast<size_t>(left_);
    left_ -= n;
    return n;
  }

 private:
  uint64_t left_;
};

// Keeps the first bytes written, counts the rest.
class Head : public fmt::OutStream {
 public:
  void write(const void* p, size_t n) override {
    auto* b = static_cast<const uint8_t*>(p);
    const size_t keep = std::min(n, kKeep - std::min(kKeep, data.size()));
    data.insert(data.end(), b, b + keep);
    total += n;
  }
  static constexpr size_t kKeep = 4096;
  std::vector<uint8_t> data;
  uint64_t total = 0;
};

TEST(TarWriterLimits, SizesOver8GbAndOldStampsGoToPax) {
  Head out;
  fmt::tar::TarWriter w(out);
  const uint64_t size = 9ull << 30;
  Zeros zeros(size);
  w.addFile("big.bin", size, -100, zeros);
  w.finish();
  EXPECT_EQ(out.total % fmt::tar::kRecord, 0u);
  EXPECT_GT(out.total, size);
  // The first 4 KB: the pax header and the member's header; readable by our reader.
  std::vector<uint8_t> headers(out.data.begin(), out.data.begin() + 3 * 512);
  const std::string text(headers.begin(), headers.end());
  EXPECT_NE(text.find("size=9663676416\n"), std::string::npos);
  EXPECT_NE(text.find("mtime=-100\n"), std::string::npos);
  auto r = fmt::tar::TarReader::open(fmt::memoryByteSource(headers), "x.tar");
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 1u);
  EXPECT_EQ(r->entries()[0].size, size);
  EXPECT_EQ(r->entries()[0].mtime, -100);
}

TEST(TarOracleBig, TwoHundredMegabytesBothWays) {
  if (!haveTools()) GTEST_SKIP() << "GNU tar is needed";
  testsupport::TempDir dir;
  ASSERT_EQ(run("mkdir -p " + sh(dir / "t") + " && head -c 200000000 /dev/urandom > " + sh(dir / "t/big.bin")), 0);
  ASSERT_EQ(run("cd " + sh(dir / "t") + " && " + sh(testsupport::arctool()) + " create tar " + sh(dir / "ours.tar") +
                " big.bin && mkdir " + sh(dir / "x") + " && tar -xf " + sh(dir / "ours.tar") + " -C " + sh(dir / "x") +
                " && cmp " + sh(dir / "t/big.bin") + " " + sh(dir / "x/big.bin")),
            0);
  ASSERT_EQ(run("cd " + sh(dir / "t") + " && tar -czf " + sh(dir / "theirs.tgz") + " big.bin"), 0);
  ASSERT_EQ(run(sh(testsupport::arctool()) + " extract " + sh(dir / "theirs.tgz") + " " + sh(dir / "y") +
                " && cmp " + sh(dir / "t/big.bin") + " " + sh(dir / "y/big.bin")),
            0);
}

}  // namespace
