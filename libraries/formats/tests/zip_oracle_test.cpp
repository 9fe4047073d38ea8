// Archives written by Info-ZIP zip and by 7z, read back byte for byte: every
// method, level and header variant those tools produce, and encryption.
#include <gtest/gtest.h>

#include <map>

#include "core/archive.h"
#include "base/error.h"
#include "core/names.h"
#include "test_support.h"
#include "zip/zip_reader.h"

namespace {

using testsupport::run;
using testsupport::sh;

const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt";  // 日本語.txt

// A small tree of files in a temporary folder; names relative to it.
struct Tree {
  testsupport::TempDir dir;
  std::map<std::string, std::vector<uint8_t>> files;
  Tree() {
    add("text.txt", testsupport::textBytes(300000, 1));
    add("noise.bin", testsupport::randomBytes(70000, 2));
    add("empty", {});
    add("sub/inner/" + kJapanese, testsupport::textBytes(5000, 3));
  }
  void add(const std::string& name, const std::vector<uint8_t>& data) {
    files[name] = data;
    std::string path = dir / ("t/" + name);
    run("mkdir -p " + sh(path.substr(0, path.rfind('/'))));
    testsupport::writeFile(path, data);
  }
  // Runs a command inside the tree (dir/t); archives go to dir as ../NAME.
  std::string make(const std::string& command, const std::string& archive) {
    int rc = run("cd " + sh(dir / "t") + " && export LC_ALL=C.UTF-8 && (" + command + ") >/dev/null 2>&1");
    EXPECT_EQ(rc, 0) << command;
    return dir / archive;
  }
};

std::vector<uint8_t> extract(fmt::ArchiveReader& r, size_t i) {
  fmt::MemoryOutStream out;
  r.extract(i, out);
  return out.data;
}

// Every file of the tree is in the archive under its name, with its bytes; folders
// are marked as such. Returns the reader for further checks.
std::unique_ptr<fmt::ArchiveReader> expectArchiveHoldsTree(const std::string& path, const Tree& tree,
                                                           const std::string& password = "") {
  auto r = fmt::openZip(path);
  EXPECT_TRUE(r) << path;
  if (!r) return r;
  EXPECT_STREQ(r->formatName(), "ZIP");
  if (!password.empty())
    r->setPasswordFn([password](const fmt::Entry&, std::string& pw) {
      pw = password;
      return true;
    });
  size_t filesSeen = 0;
  for (size_t i = 0; i < r->entries().size(); i++) {
    const fmt::Entry& e = r->entries()[i];
    std::string name = fmt::utf8Name(e);
    if (e.isFolder()) {
      EXPECT_TRUE(name == "sub" || name == "sub/inner") << name;
      continue;
    }
    auto it = tree.files.find(name);
    if (it == tree.files.end()) {
      ADD_FAILURE() << path << ": unexpected entry " << name;
      continue;
    }
    filesSeen++;
    EXPECT_EQ(e.size, it->second.size()) << name;
    try {
      EXPECT_TRUE(extract(*r, i) == it->second) << path << ": " << name << " differs";
    } catch (const fmt::Error& err) {
      ADD_FAILURE() << path << ": " << name << ": " << err.what();
    }
  }
  EXPECT_EQ(filesSeen, tree.files.size()) << path;
  return r;
}

TEST(ZipOracleInfoZip, EveryLevelAndBzip2) {
  if (!testsupport::haveTool("zip")) GTEST_SKIP() << "zip not installed";
  Tree tree;
  for (int level = 0; level <= 9; level++) {
    std::string name = "l" + std::to_string(level) + ".zip";
    auto r = expectArchiveHoldsTree(tree.make("zip -r -" + std::to_string(level) + " ../" + name + " .", name), tree);
    if (r && level == 0) EXPECT_EQ(r->entries()[0].method, "stored");
  }
  auto r = expectArchiveHoldsTree(tree.make("zip -r -Z bzip2 ../bz.zip .", "bz.zip"), tree);
  ASSERT_TRUE(r);
  bool sawBzip2 = false;
  for (const auto& e : r->entries()) sawBzip2 |= e.method == "bzip2";
  EXPECT_TRUE(sawBzip2);
}

TEST(ZipOracleInfoZip, Zip64FieldsFoldersAndUtf8Names) {
  if (!testsupport::haveTool("zip")) GTEST_SKIP() << "zip not installed";
  Tree tree;
  expectArchiveHoldsTree(tree.make("zip -r -fz ../z64.zip .", "z64.zip"), tree);
  auto r = expectArchiveHoldsTree(tree.make("zip -r ../plain.zip .", "plain.zip"), tree);
  ASSERT_TRUE(r);
  size_t folders = 0;
  for (const auto& e : r->entries()) folders += e.isFolder();
  EXPECT_EQ(folders, 2u);
}

TEST(ZipOracleInfoZip, SymbolicLinkKeptAsLink) {
  if (!testsupport::haveTool("zip")) GTEST_SKIP() << "zip not installed";
  Tree tree;
  auto r = fmt::openZip(tree.make("ln -s sub/inner link && zip -q -y ../link.zip link text.txt", "link.zip"));
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 2u);
  EXPECT_EQ(r->entries()[0].kind, fmt::EntryKind::Symlink);
  EXPECT_EQ(r->entries()[0].linkTarget, "sub/inner");
  EXPECT_EQ(r->entries()[1].kind, fmt::EntryKind::File);
}

TEST(ZipOracleInfoZip, FromAPipeWithDataDescriptors) {
  if (!testsupport::haveTool("zip")) GTEST_SKIP() << "zip not installed";
  Tree tree;
  std::string archive = tree.make("cat text.txt | zip -9 - - > ../pipe.zip", "pipe.zip");
  auto r = fmt::openZip(archive);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries().size(), 1u);
  EXPECT_EQ(extract(*r, 0), tree.files["text.txt"]);

  archive = tree.make("cat text.txt | zip -P pipepw - - > ../pipe-enc.zip", "pipe-enc.zip");
  r = fmt::openZip(archive);
  ASSERT_TRUE(r);
  r->setPasswordFn([](const fmt::Entry&, std::string& pw) {
    pw = "pipepw";
    return true;
  });
  EXPECT_EQ(extract(*r, 0), tree.files["text.txt"]);
}

TEST(ZipOracleInfoZip, TraditionalEncryption) {
  if (!testsupport::haveTool("zip")) GTEST_SKIP() << "zip not installed";
  Tree tree;
  std::string archive = tree.make("zip -r -e -P 'p@ss w0rd' ../enc.zip .", "enc.zip");
  auto r = expectArchiveHoldsTree(archive, tree, "p@ss w0rd");
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->entries()[0].encrypted);

  // zip draws each entry's header at random, and one wrong password in 256
  // passes its one-byte check: take one that entry `index` refuses outright.
  // (Refused, the reader asks again and is told no: "skipped".)
  auto refusedBy = [&](size_t index) {
    for (int k = 0;; k++) {
      const std::string candidate = "wrong" + std::to_string(k);
      auto reader = fmt::openZip(archive);
      int answers = 0;
      reader->setPasswordFn([&](const fmt::Entry&, std::string& pw) {
        pw = candidate;
        return answers++ == 0;
      });
      try {
        extract(*reader, index);
      } catch (const fmt::Error& e) {
        if (std::string(e.what()).find("skipped") != std::string::npos) return candidate;
      }
    }
  };
  size_t firstFile = 0;
  while (r->entries()[firstFile].isFolder()) firstFile++;
  const std::string wrong = refusedBy(firstFile);

  // The password is asked once and kept for the entries after.
  r = fmt::openZip(archive);
  int asked = 0;
  r->setPasswordFn([&](const fmt::Entry&, std::string& pw) {
    pw = asked++ == 0 ? wrong : "p@ss w0rd";
    return true;
  });
  for (size_t i = 0; i < r->entries().size(); i++)
    if (!r->entries()[i].isFolder()) EXPECT_NO_THROW(extract(*r, i));
  EXPECT_EQ(asked, 2);

  auto errorOf = [&](fmt::PasswordFn fn) {
    auto reader = fmt::openZip(archive);
    if (fn) reader->setPasswordFn(fn);
    size_t text = 0;
    while (fmt::utf8Name(reader->entries()[text]) != "text.txt") text++;
    try {
      extract(*reader, text);
    } catch (const fmt::Error& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_NE(errorOf({}).find("password"), std::string::npos);
  size_t text = 0;
  while (fmt::utf8Name(r->entries()[text]) != "text.txt") text++;
  const std::string refused = refusedBy(text);
  EXPECT_NE(errorOf([&](const fmt::Entry&, std::string& pw) { pw = refused; return true; }).find("wrong password"),
            std::string::npos);
  EXPECT_NE(errorOf([](const fmt::Entry&, std::string&) { return false; }).find("skipped"), std::string::npos);
}

TEST(ZipOracle7z, DeflateDeflate64AndBzip2) {
  if (!testsupport::haveTool("7z")) GTEST_SKIP() << "7z not installed";
  Tree tree;
  for (std::string method : {"Deflate", "Deflate64", "BZip2"}) {
    std::string name = method + ".zip";
    auto r = expectArchiveHoldsTree(tree.make("7z a -tzip -mm=" + method + " ../" + name + " .", name), tree);
    ASSERT_TRUE(r);
    bool sawMethod = false;
    std::string want = method == "BZip2" ? "bzip2" : method == "Deflate" ? "deflate" : "deflate64";
    for (const auto& e : r->entries()) sawMethod |= e.method == want;
    EXPECT_TRUE(sawMethod) << method;
  }
  expectArchiveHoldsTree(tree.make("7z a -tzip -mx=9 ../mx9.zip .", "mx9.zip"), tree);
  expectArchiveHoldsTree(tree.make("7z a -tzip -mm=Deflate64 -mx=9 ../d64x9.zip .", "d64x9.zip"), tree);
}

TEST(ZipOracle7z, ZipCryptoAndEveryAesStrength) {
  if (!testsupport::haveTool("7z")) GTEST_SKIP() << "7z not installed";
  Tree tree;
  expectArchiveHoldsTree(tree.make("7z a -tzip -pKey7 -mem=ZipCrypto ../zc.zip .", "zc.zip"), tree, "Key7");
  for (std::string bits : {"128", "192", "256"}) {
    const std::string name = "aes" + bits + ".zip";
    auto r = expectArchiveHoldsTree(tree.make("7z a -tzip -pKey7 -mem=AES" + bits + " ../" + name + " .", name), tree,
                                    "Key7");
    ASSERT_TRUE(r);
    size_t aes = 0;
    for (const auto& e : r->entries()) aes += e.method.find("+AES" + bits) != std::string::npos && e.encrypted;
    EXPECT_EQ(aes, 4u) << bits;  // the four files; folders carry no data

    // A wrong password is refused at the verifier, for every entry, and never
    // turns into output.
    auto wrong = fmt::openZip(tree.dir / name);
    ASSERT_TRUE(wrong);
    wrong->setPasswordFn([](const fmt::Entry&, std::string& pw) {
      pw = "Key8";
      return true;
    });
    for (size_t i = 0; i < wrong->entries().size(); i++) {
      if (!wrong->entries()[i].encrypted) continue;
      fmt::MemoryOutStream out;
      try {
        wrong->extract(i, out);
        ADD_FAILURE() << bits << ": entry " << i << " opened with the wrong password";
      } catch (const fmt::Error& e) {
        EXPECT_EQ(e.kind(), fmt::ErrorKind::Password) << e.what();
        EXPECT_NE(std::string(e.what()).find("wrong password"), std::string::npos) << e.what();
      }
      EXPECT_TRUE(out.data.empty());
    }
  }
}

TEST(ZipOracleInfoZip, SelfExtractingPrefix) {
  if (!testsupport::haveTool("zip")) GTEST_SKIP() << "zip not installed";
  Tree tree;
  tree.make("zip -r ../plain.zip .", "plain.zip");
  testsupport::writeFile(tree.dir / "stub", testsupport::randomBytes(12345, 9));
  // As concatenated, offsets are off by the stub; zip -A then adjusts them.
  std::string sfx = tree.make("cat ../stub ../plain.zip > ../sfx.exe", "sfx.exe");
  expectArchiveHoldsTree(sfx, tree);
  std::string adjusted = tree.make("cp ../sfx.exe ../adj.exe && zip -A ../adj.exe", "adj.exe");
  expectArchiveHoldsTree(adjusted, tree);
}

}  // namespace
