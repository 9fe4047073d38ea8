// LZH member headers, levels 0 to 3, with their extended headers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/entry.h"
#include "lzh/lzh_source.h"

namespace fmt::lzh {

struct LzhHeader {
  Entry entry;
  std::string comment;
  uint64_t offset = 0;      // first byte of the header in the archive
  uint64_t headerSize = 0;  // bytes before the data, extended headers included
  uint64_t dataOffset() const { return offset + headerSize; }
};

enum class HeaderStatus {
  Ok,   // `out` is filled
  End,  // end of the archive: end of the file or the zero byte that marks it
  Bad,  // not a valid header; `problem` says why
};

struct HeaderResult {
  HeaderStatus status;
  std::string problem;
};

// Reads and checks the header at `offset` (checksum, header CRC, field ranges).
HeaderResult readHeader(ByteSource& src, uint64_t offset, LzhHeader& out);

// True when the five bytes look like a method id ("-lh5-", "-pm2-", "-lzs-").
bool looksLikeMethod(const uint8_t* p);

// The header bytes for an entry: name from `e.name` ('/' between folders, in
// e.encoding), sizes, CRC, method, stamps, attributes and Unix mode from `e`.
// Level 2 by default; levels 0 and 1 throw Usage when the name does not fit.
std::vector<uint8_t> buildHeader(const Entry& e, int level);

}  // namespace fmt::lzh
