#include "zip/zip_extra.h"

#include "core/checksum.h"

namespace fmt::zip {

bool applyZip64(const uint8_t* data, size_t len, const Zip64Values& v) {
  size_t pos = 0;
  auto take64 = [&](uint64_t* value) {
    if (!value || *value != 0xFFFFFFFFu) return true;
    if (len - pos < 8) return false;
    *value = le64(data + pos);
    pos += 8;
    return true;
  };
  if (!take64(v.size) || !take64(v.packedSize) || !take64(v.offset)) return false;
  if (v.disk && *v.disk == 0xFFFF) {
    if (len - pos < 4) return false;
    *v.disk = le32(data + pos);
  }
  return true;
}

bool unicodePath(const uint8_t* data, size_t len, const std::string& headerName, std::string& utf8) {
  if (len < 5 || data[0] != 1) return false;
  if (le32(data + 1) != crc32Update(0, headerName.data(), headerName.size())) return false;
  utf8.assign(reinterpret_cast<const char*>(data + 5), len - 5);
  return !utf8.empty();
}

bool aesField(const uint8_t* data, size_t len, uint16_t& version, uint8_t& strength, uint16_t& method) {
  if (len < 7 || data[2] != 'A' || data[3] != 'E') return false;
  version = le16(data);
  strength = data[4];
  method = le16(data + 5);
  return true;
}

bool ntfsMtime(const uint8_t* data, size_t len, int64_t& mtime) {
  // 4 reserved bytes, then tagged attributes; tag 1 holds three FILETIMEs.
  size_t pos = 4;
  while (len >= pos + 4) {
    uint16_t tag = le16(data + pos), size = le16(data + pos + 2);
    pos += 4;
    if (size > len - pos) return false;
    if (tag == 1 && size >= 8) {
      uint64_t ft = le64(data + pos);
      if (ft == 0) return false;
      constexpr int64_t kFiletimeTo1970 = 11644473600LL;  // seconds from 1601 to 1970
      mtime = static_cast<int64_t>(ft / 10000000u) - kFiletimeTo1970;
      return true;
    }
    pos += size;
  }
  return false;
}

bool extendedTimestampMtime(const uint8_t* data, size_t len, int64_t& mtime) {
  if (len < 5 || !(data[0] & 1)) return false;
  mtime = static_cast<int32_t>(le32(data + 1));
  return true;
}

}  // namespace fmt::zip
