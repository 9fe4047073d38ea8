// Sparse files as GNU tar stores them: only the data chunks, with a map of
// where each goes; the holes between them read as zeros.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/stream.h"

namespace fmt::tar {

struct SparseChunk {
  uint64_t offset = 0, length = 0;
};
using SparseMap = std::vector<SparseChunk>;

constexpr size_t kMaxSparseChunks = 1 << 20;

// Chunks in order, not overlapping, inside the real size, and together no
// longer than the stored data; empty when valid, the reason otherwise.
std::string checkSparseMap(const SparseMap& map, uint64_t realSize, uint64_t storedSize);

// Parses "off,len,off,len,..." (the pax 0.1 map).
bool parseSparseMapList(const std::string& s, SparseMap& map);

// Writes the real file: each chunk read in turn from `stored`, zeros elsewhere.
// Throws Truncated when `stored` ends before the chunks do.
void expandSparse(InStream& stored, const SparseMap& map, uint64_t realSize, OutStream& out);

}  // namespace fmt::tar
