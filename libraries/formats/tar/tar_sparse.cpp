#include "tar/tar_sparse.h"

#include <algorithm>

#include "tar/tar_pax.h"

namespace fmt::tar {

std::string checkSparseMap(const SparseMap& map, uint64_t realSize, uint64_t storedSize) {
  uint64_t end = 0, total = 0;
  for (const SparseChunk& c : map) {
    if (c.offset < end) return "sparse chunks overlap or are out of order";
    if (c.length > realSize || c.offset > realSize - c.length) return "a sparse chunk lies beyond the file's size";
    end = c.offset + c.length;
    total += c.length;
    if (total > storedSize) return "the sparse chunks are longer than the stored data";
  }
  return {};
}

bool parseSparseMapList(const std::string& s, SparseMap& map) {
  if (s.empty()) return true;
  std::vector<uint64_t> numbers;
  size_t pos = 0;
  for (;;) {
    const size_t comma = s.find(',', pos);
    uint64_t v;
    if (!parsePaxNumber(s.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos), v)) return false;
    numbers.push_back(v);
    if (numbers.size() > 2 * kMaxSparseChunks) return false;
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  if (numbers.size() % 2) return false;
  for (size_t i = 0; i < numbers.size(); i += 2) map.push_back({numbers[i], numbers[i + 1]});
  return true;
}

namespace {

void writeZeros(OutStream& out, uint64_t n) {
  static const uint8_t zeros[1 << 16] = {};
  while (n > 0) {
    const size_t step = static_cast<size_t>(std::min<uint64_t>(n, sizeof zeros));
    out.write(zeros, step);
    n -= step;
  }
}

}  // namespace

void expandSparse(InStream& stored, const SparseMap& map, uint64_t realSize, OutStream& out) {
  uint64_t at = 0;
  std::vector<uint8_t> buf(1 << 16);
  for (const SparseChunk& c : map) {
    writeZeros(out, c.offset - at);
    uint64_t left = c.length;
    while (left > 0) {
      const size_t step = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
      readExact(stored, buf.data(), step, "sparse file data");
      out.write(buf.data(), step);
      left -= step;
    }
    at = c.offset + c.length;
  }
  writeZeros(out, realSize - at);
}

}  // namespace fmt::tar
