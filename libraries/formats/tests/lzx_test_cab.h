// Test-only minimal Cabinet reading and writing, enough to feed the LZX and
// Quantum decoders from the corpus and to hand our LZX frames to cabextract.
// Single cabinet, no reserved areas in what it writes.
#pragma once
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace lzxtest {

struct Block {
  std::vector<uint8_t> data;
  uint16_t outSize = 0;
};
struct Folder {
  uint16_t type = 0;  // typeCompress: method in bits 0-3, window bits in 8-12
  std::vector<Block> blocks;
};
struct File {
  std::string name;
  uint32_t size = 0, offset = 0;
  uint16_t folder = 0;
};
struct Cab {
  std::vector<Folder> folders;
  std::vector<File> files;
};

inline uint32_t le(const std::vector<uint8_t>& d, size_t at, int n) {
  if (at + n > d.size()) throw std::runtime_error("test cabinet cut short");
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | d[at + i];
  return v;
}

inline std::string cstr(const std::vector<uint8_t>& d, size_t& at) {
  std::string s;
  while (at < d.size() && d[at]) s += static_cast<char>(d[at++]);
  if (at >= d.size()) throw std::runtime_error("test cabinet: unterminated string");
  at++;
  return s;
}

inline Cab parseCab(const std::vector<uint8_t>& d) {
  if (d.size() < 36 || std::memcmp(d.data(), "MSCF", 4) != 0) throw std::runtime_error("not a cabinet");
  Cab cab;
  uint32_t filesAt = le(d, 16, 4);
  unsigned nFolders = le(d, 26, 2), nFiles = le(d, 28, 2), flags = le(d, 30, 2);
  size_t at = 36;
  unsigned folderReserve = 0, dataReserve = 0;
  if (flags & 4) {
    unsigned headerReserve = le(d, at, 2);
    folderReserve = d.at(at + 2);
    dataReserve = d.at(at + 3);
    at += 4 + headerReserve;
  }
  for (unsigned bit : {1u, 2u})
    if (flags & bit) {
      cstr(d, at);
      cstr(d, at);
    }
  for (unsigned f = 0; f < nFolders; ++f) {
    Folder folder;
    uint32_t dataAt = le(d, at, 4);
    unsigned nData = le(d, at + 4, 2);
    folder.type = static_cast<uint16_t>(le(d, at + 6, 2));
    at += 8 + folderReserve;
    for (unsigned k = 0; k < nData; ++k) {
      unsigned packed = le(d, dataAt + 4, 2);
      Block b;
      b.outSize = static_cast<uint16_t>(le(d, dataAt + 6, 2));
      size_t from = dataAt + 8 + dataReserve;
      if (from + packed > d.size()) throw std::runtime_error("test cabinet: CFDATA cut short");
      b.data.assign(d.begin() + from, d.begin() + from + packed);
      folder.blocks.push_back(std::move(b));
      dataAt = static_cast<uint32_t>(from + packed);
    }
    cab.folders.push_back(std::move(folder));
  }
  at = filesAt;
  for (unsigned i = 0; i < nFiles; ++i) {
    File file;
    file.size = le(d, at, 4);
    file.offset = le(d, at + 4, 4);
    file.folder = static_cast<uint16_t>(le(d, at + 8, 2));
    at += 16;
    file.name = cstr(d, at);
    cab.files.push_back(file);
  }
  return cab;
}

inline void put(std::vector<uint8_t>& v, uint32_t x, int n) {
  for (int i = 0; i < n; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

// One folder, one file of the blocks' total size, CFDATA checksums left 0.
inline std::vector<uint8_t> makeCab(const std::vector<Block>& blocks, uint16_t type, const std::string& name) {
  uint32_t total = 0;
  for (const Block& b : blocks) total += b.outSize;
  const uint32_t headerSize = 36, folderSize = 8;
  const uint32_t fileSize = 16 + static_cast<uint32_t>(name.size()) + 1;
  const uint32_t dataAt = headerSize + folderSize + fileSize;
  uint32_t cabSize = dataAt;
  for (const Block& b : blocks) cabSize += 8 + static_cast<uint32_t>(b.data.size());

  std::vector<uint8_t> v;
  v.insert(v.end(), {'M', 'S', 'C', 'F'});
  put(v, 0, 4);
  put(v, cabSize, 4);
  put(v, 0, 4);
  put(v, headerSize + folderSize, 4);  // coffFiles
  put(v, 0, 4);
  v.push_back(3);  // version 1.3
  v.push_back(1);
  put(v, 1, 2);  // folders
  put(v, 1, 2);  // files
  put(v, 0, 2);  // flags
  put(v, 0x1234, 2);
  put(v, 0, 2);
  put(v, dataAt, 4);
  put(v, static_cast<uint32_t>(blocks.size()), 2);
  put(v, type, 2);
  put(v, total, 4);
  put(v, 0, 4);
  put(v, 0, 2);
  put(v, 0x2821, 2);  // 2000-01-01
  put(v, 0, 2);
  put(v, 0x20, 2);    // archive attribute
  v.insert(v.end(), name.begin(), name.end());
  v.push_back(0);
  for (const Block& b : blocks) {
    put(v, 0, 4);
    put(v, static_cast<uint32_t>(b.data.size()), 2);
    put(v, b.outSize, 2);
    v.insert(v.end(), b.data.begin(), b.data.end());
  }
  return v;
}

}  // namespace lzxtest
