// The extra fields of local and central headers that the reader uses.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "zip/zip_format.h"

namespace fmt::zip {

// Calls fn(id, data, length) for each field of an extra block; returns false when
// the block does not divide into whole fields (what is left over is ignored).
template <typename Fn>
bool forEachExtra(const uint8_t* p, size_t n, Fn&& fn) {
  size_t pos = 0;
  while (n - pos >= 4) {
    uint16_t id = le16(p + pos), len = le16(p + pos + 2);
    if (len > n - pos - 4) return false;
    fn(id, p + pos + 4, static_cast<size_t>(len));
    pos += 4 + len;
  }
  return pos == n;
}

// The values a ZIP64 field replaces: each is read from the field only when the
// header holds its saturated 32- or 16-bit form, in the field's fixed order.
struct Zip64Values {
  uint64_t* size = nullptr;
  uint64_t* packedSize = nullptr;
  uint64_t* offset = nullptr;
  uint32_t* disk = nullptr;
};
// False when the field is too short for what the header says it holds.
bool applyZip64(const uint8_t* data, size_t len, const Zip64Values& v);

// The Info-ZIP Unicode path: true, with the UTF-8 name, only when its CRC-32
// matches the header's own name (otherwise the name was changed since).
bool unicodePath(const uint8_t* data, size_t len, const std::string& headerName, std::string& utf8);

// The WinZip AES field: vendor version, "AE", strength, the real method. False
// when it is malformed.
bool aesField(const uint8_t* data, size_t len, uint16_t& version, uint8_t& strength, uint16_t& method);

// Modification time in seconds since 1970 UTC.
bool ntfsMtime(const uint8_t* data, size_t len, int64_t& mtime);
bool extendedTimestampMtime(const uint8_t* data, size_t len, int64_t& mtime);

}  // namespace fmt::zip
