#include <cstring>

#include "core/checksum.h"
#include "base/error.h"
#include "base/sjis.h"
#include "core/names.h"
#include "lzh/lzh_header.h"
#include "lzh/lzh_names.h"
#include "platform/platform.h"

namespace fmt::lzh {

namespace {

class Bytes {
 public:
  void u8(uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
  void u16(uint32_t v) { u8(v), u8(v >> 8); }
  void u32(uint64_t v) { u16(static_cast<uint32_t>(v & 0xFFFF)), u16(static_cast<uint32_t>(v >> 16 & 0xFFFF)); }
  void u64(uint64_t v) { u32(v & 0xFFFFFFFFu), u32(v >> 32); }
  void str(const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }
  void put16(size_t at, uint32_t v) { b[at] = static_cast<uint8_t>(v), b[at + 1] = static_cast<uint8_t>(v >> 8); }
  std::vector<uint8_t> b;
};

// Splits "a/b/c" into "a/b/" and "c" without taking a Shift-JIS trail byte
// for the separator; a folder is all folder part.
void splitFolder(const Entry& e, std::string& dir, std::string& file) {
  size_t cut = 0;
  for (size_t i = 0; i < e.name.size(); ++i) {
    if (e.encoding == NameEncoding::ShiftJis && sjis::isPair(e.name, i)) {
      ++i;
    } else if (e.name[i] == '/') {
      cut = i + 1;
    }
  }
  dir = e.name.substr(0, cut);
  file = e.name.substr(cut);
  if (e.kind != EntryKind::File) {
    dir = e.name.empty() ? std::string() : e.name + "/";
    file.clear();
  }
  if (e.kind == EntryKind::Symlink) {
    // Links are stored as "name|target", the whole of it in the file name.
    Entry asFile;
    asFile.name = e.name;
    asFile.encoding = e.encoding;
    splitFolder(asFile, dir, file);
    file += "|" + e.linkTarget;
  }
}

std::string sjisOf(const std::string& s, NameEncoding enc) {
  return enc == NameEncoding::Utf8 ? platform::utf8ToSjis(s) : s;
}

uint32_t dosStamp(const Entry& e) {
  uint16_t date = e.dosDate, time = e.dosTime;
  if (date == 0) unixToDosTime(e.mtime, date, time);
  return static_cast<uint32_t>(date) << 16 | time;
}

// Method, sizes, stamp, attribute and level: the first 21 bytes after the
// size (and checksum) bytes, common to all levels.
void common(Bytes& h, const Entry& e, uint64_t packed, uint32_t stamp, uint8_t attr, int level) {
  if (e.method.size() != 5) fail(ErrorKind::Usage, "bad method " + e.method);
  h.str(e.method);
  h.u32(packed > 0xFFFFFFFFu ? 0 : packed);
  h.u32(e.size > 0xFFFFFFFFu ? 0 : e.size);
  h.u32(stamp);
  h.u8(attr);
  h.u8(static_cast<uint32_t>(level));
}

void ext(Bytes& h, uint8_t type, const std::string& data) {
  if (data.size() + 3 > 0xFFFF) fail(ErrorKind::Usage, "extended header too long");
  h.u16(static_cast<uint32_t>(data.size() + 3));
  h.u8(type);
  h.str(data);
}

std::string le16(uint32_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; }
std::string le32(uint64_t v) { return le16(static_cast<uint32_t>(v & 0xFFFF)) + le16(static_cast<uint32_t>(v >> 16)); }

uint8_t osOf(const Entry& e) { return e.osType ? e.osType : 'M'; }

std::vector<uint8_t> level0(const Entry& e) {
  std::string dir, file;
  splitFolder(e, dir, file);
  std::string name = sjisOf(dir + file, e.encoding);
  for (size_t i = 0; i < name.size(); ++i) {
    if (sjis::isPair(name, i)) ++i;
    else if (name[i] == '/') name[i] = '\\';
  }
  if (name.size() > 233) fail(ErrorKind::Usage, "name too long for a level-0 header: " + utf8Name(e));
  if (e.size > 0xFFFFFFFFu) fail(ErrorKind::Usage, "file too large for a level-0 header: " + utf8Name(e));
  Bytes h;
  h.u8(static_cast<uint32_t>(22 + name.size()));
  h.u8(0);  // checksum, below
  common(h, e, e.packedSize, dosStamp(e), e.attributes & 0xFF, 0);
  h.u8(static_cast<uint32_t>(name.size()));
  h.str(name);
  h.u16(e.crc);
  uint8_t sum = 0;
  for (size_t i = 2; i < h.b.size(); ++i) sum = static_cast<uint8_t>(sum + h.b[i]);
  h.b[1] = sum;
  return h.b;
}

std::vector<uint8_t> level1(const Entry& e) {
  std::string dir, file;
  splitFolder(e, dir, file);
  dir = ffSeparators(sjisOf(dir, e.encoding), NameEncoding::ShiftJis);
  file = sjisOf(file, e.encoding);
  if (e.size > 0xFFFFFFFFu) fail(ErrorKind::Usage, "file too large for a level-1 header: " + utf8Name(e));
  bool longName = file.size() > 230;
  Bytes exts;
  if (longName) ext(exts, 0x01, file);
  if (!dir.empty()) ext(exts, 0x02, dir);
  std::string base = longName ? std::string() : file;
  uint64_t packed = e.packedSize + exts.b.size();  // level 1 counts them as data
  if (packed > 0xFFFFFFFFu) fail(ErrorKind::Usage, "file too large for a level-1 header: " + utf8Name(e));
  Bytes h;
  h.u8(static_cast<uint32_t>(25 + base.size()));
  h.u8(0);
  common(h, e, packed, dosStamp(e), e.attributes & 0xFF, 1);
  h.u8(static_cast<uint32_t>(base.size()));
  h.str(base);
  h.u16(e.crc);
  h.u8(osOf(e));
  uint8_t sum = 0;
  // The base header ends with the size of the first extended header.
  Bytes all = h;
  if (exts.b.empty()) {
    all.u16(0);
  } else {
    all.b.insert(all.b.end(), exts.b.begin(), exts.b.end());
    all.u16(0);
  }
  size_t baseLen = 27 + base.size();
  for (size_t i = 2; i < baseLen; ++i) sum = static_cast<uint8_t>(sum + all.b[i]);
  all.b[1] = sum;
  return all.b;
}

std::vector<uint8_t> level2(const Entry& e) {
  std::string dir, file;
  splitFolder(e, dir, file);
  Bytes exts;
  ext(exts, 0x00, le16(0));  // header CRC, filled in last
  std::string sjisFile = sjisOf(file, e.encoding);
  if (!sjisFile.empty()) ext(exts, 0x01, sjisFile);
  if (!dir.empty()) ext(exts, 0x02, ffSeparators(sjisOf(dir, e.encoding), NameEncoding::ShiftJis));
  if (e.encoding == NameEncoding::Utf8) {
    // The name has characters Shift-JIS lacks: keep it exactly for readers
    // that know Unicode names.
    if (!file.empty()) ext(exts, 0x44, utf8ToUtf16le(file));
    if (!dir.empty()) {
      std::string udir = utf8ToUtf16le(dir);
      for (size_t i = 0; i + 1 < udir.size(); i += 2)
        if (udir[i] == '/' && udir[i + 1] == 0) udir[i] = udir[i + 1] = '\xFF';
      ext(exts, 0x45, udir);
    }
  }
  ext(exts, 0x40, le16(e.attributes & 0xFFFF));
  if (e.hasUnixMode) ext(exts, 0x50, le16(e.unixMode));
  if (e.size > 0xFFFFFFFFu || e.packedSize > 0xFFFFFFFFu) {
    std::string sizes = le32(e.packedSize & 0xFFFFFFFFu) + le32(e.packedSize >> 32) + le32(e.size & 0xFFFFFFFFu) +
                        le32(e.size >> 32);
    ext(exts, 0x42, sizes);
  }
  Bytes h;
  h.u16(0);  // total size, below
  common(h, e, e.packedSize, static_cast<uint32_t>(e.mtime < 0 ? 0 : e.mtime), 0x20, 2);
  h.u16(e.crc);
  h.u8(osOf(e));
  h.b.insert(h.b.end(), exts.b.begin(), exts.b.end());
  h.u16(0);
  // A first byte of 0 would read as the end of the archive.
  if ((h.b.size() & 0xFF) == 0) h.u8(0);
  if (h.b.size() > 0xFFFF) fail(ErrorKind::Usage, "header too long: " + utf8Name(e));
  h.put16(0, static_cast<uint32_t>(h.b.size()));
  const size_t crcAt = 27;  // data of the first extended header
  h.put16(crcAt, crc16Update(0, h.b.data(), h.b.size()));
  return h.b;
}

}  // namespace

std::vector<uint8_t> buildHeader(const Entry& e, int level) {
  switch (level) {
    case 0: return level0(e);
    case 1: return level1(e);
    case 2: return level2(e);
  }
  fail(ErrorKind::Usage, "cannot write header level " + std::to_string(level));
}

}  // namespace fmt::lzh
