// Shared by the LZH tests: a folder of sample files to archive, and reading
// members back through the reader.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "core/archive.h"
#include "core/checksum.h"
#include "core/sources.h"
#include "test_support.h"

namespace lzhtest {

// name (UTF-8, '/' between folders) -> contents; folders end in '/'.
using Tree = std::map<std::string, std::vector<uint8_t>>;

inline void writeTree(const std::string& dir, const Tree& tree) {
  for (const auto& [name, data] : tree) {
    if (name.back() == '/') {
      testsupport::run("mkdir -p " + testsupport::sh(dir + "/" + name));
    } else {
      testsupport::writeFile(dir + "/" + name, data);
    }
  }
}

// Every item under `dir`, names relative to it.
inline std::vector<fmt::SourceItem> sourcesOf(const std::string& dir) { return fmt::collectSources({"."}, dir); }

// Names with 5C trail bytes (表, ソ, 能), folders, empty members and sizes
// around the 8 KB and 64 KB windows; with `longNames` a path of 270 bytes.
inline Tree sampleTree(bool longNames = true) {
  Tree t;
  t["empty.txt"] = {};
  t["emptyfolder/"] = {};
  t["表.txt"] = testsupport::textBytes(3000, 1);
  t["ソース/ソ.txt"] = testsupport::textBytes(9000, 2);
  t["ソース/能力/deep.bin"] = testsupport::textBytes(70000, 3);
  t["one.bin"] = {0x42};
  for (size_t n : {8191u, 8192u, 8193u, 65535u, 65536u, 65537u}) t["sizes/t" + std::to_string(n)] = testsupport::textBytes(n, n);
  t["noise.bin"] = testsupport::randomBytes(20000, 9);
  t["blocks.txt"] = testsupport::textBytes(600000, 4);  // several Huffman blocks
  if (longNames) t[std::string(150, 'n') + "/" + std::string(120, 'm') + ".txt"] = testsupport::textBytes(100, 5);
  return t;
}

// Decodes a member, throwing what the reader throws.
inline std::vector<uint8_t> decode(fmt::ArchiveReader& r, size_t i) {
  fmt::MemoryOutStream out;
  r.extract(i, out);
  return out.data;
}

inline std::string env(const std::string& cmd) { return "LC_ALL=ja_JP.UTF-8 " + cmd; }

}  // namespace lzhtest
