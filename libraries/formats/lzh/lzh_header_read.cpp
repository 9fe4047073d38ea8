#include <cstring>

#include "core/checksum.h"
#include "base/sjis.h"
#include "core/names.h"
#include "lzh/lzh_header.h"
#include "lzh/lzh_names.h"

namespace fmt::lzh {

namespace {

constexpr size_t kMaxHeaderBytes = 1 << 20;  // far beyond any real header
constexpr int kMaxExtHeaders = 4096;
constexpr int64_t kFiletimeToUnix = 11644473600LL;

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) { return u16(p) | static_cast<uint32_t>(u16(p + 2)) << 16; }
uint64_t u64(const uint8_t* p) { return u32(p) | static_cast<uint64_t>(u32(p + 4)) << 32; }

// What the base and extended headers say, before it becomes an Entry.
struct Fields {
  int level = 0;
  std::string method;
  uint64_t packed = 0, size = 0;
  uint32_t stamp = 0;  // DOS stamp (levels 0, 1) or Unix time (2, 3)
  uint8_t attr = 0;
  uint16_t crc = 0;
  uint8_t os = 0;
  std::string name, dir, uname, udir, comment;
  bool hasUname = false, hasUdir = false;
  bool hasExtAttr = false;
  uint16_t extAttr = 0;
  bool hasMode = false;
  uint16_t mode = 0;
  bool hasUnixTime = false;
  uint32_t unixTime = 0;
  uint64_t filetime = 0;
  bool hasHeaderCrc = false;
  uint16_t headerCrc = 0;
  size_t headerCrcAt = 0;  // offset of the stored CRC inside the whole header
};

// One extended header's contents; `at` is where its data starts in the header.
void takeExtension(Fields& f, uint8_t type, const uint8_t* d, size_t n, size_t at) {
  auto bytes = [&] { return std::string(reinterpret_cast<const char*>(d), n); };
  switch (type) {
    case 0x00:
      if (n >= 2) f.hasHeaderCrc = true, f.headerCrc = u16(d), f.headerCrcAt = at;
      break;
    case 0x01: f.name = bytes(); break;
    case 0x02: f.dir = bytes(); break;
    case 0x3F: f.comment = bytes(); break;
    case 0x40:
      if (n >= 2) f.hasExtAttr = true, f.extAttr = u16(d);
      break;
    case 0x41:
      if (n >= 16) f.filetime = u64(d + 8);
      break;
    case 0x42:
      if (n >= 16) f.packed = u64(d), f.size = u64(d + 8);
      break;
    case 0x44: f.uname = bytes(), f.hasUname = true; break;
    case 0x45: f.udir = bytes(), f.hasUdir = true; break;
    case 0x50:
      if (n >= 2) f.hasMode = true, f.mode = u16(d);
      break;
    case 0x54:
      if (n >= 4) f.hasUnixTime = true, f.unixTime = u32(d);
      break;
    default: break;  // uid/gid, owner names, OS-specific data: not needed
  }
}

// Walks a chain of extended headers inside `h` from `pos`, the first of size
// `next`; each ends with the size of the one after it (`sizeBytes` wide).
bool walkExtensions(Fields& f, const std::vector<uint8_t>& h, size_t pos, uint32_t next, int sizeBytes,
                    std::string& problem) {
  for (int count = 0; next != 0; ++count) {
    if (count == kMaxExtHeaders || next < static_cast<uint32_t>(1 + sizeBytes) || pos + next > h.size()) {
      problem = "bad extended header";
      return false;
    }
    const uint8_t* e = h.data() + pos;
    takeExtension(f, e[0], e + 1, next - 1 - sizeBytes, pos + 1);
    const uint8_t* n = e + next - sizeBytes;
    pos += next;
    next = sizeBytes == 2 ? u16(n) : u32(n);
  }
  return true;
}

// Where a chain of extended headers from `pos` ends, or 0 when it runs past `limit`.
size_t chainEnd(const std::vector<uint8_t>& h, size_t pos, uint32_t next, int sizeBytes, size_t limit) {
  for (int count = 0; next != 0; ++count) {
    if (count == kMaxExtHeaders || next < static_cast<uint32_t>(1 + sizeBytes) || pos + next > limit ||
        pos + next > h.size())
      return 0;
    pos += next;
    next = sizeBytes == 2 ? u16(&h[pos - 2]) : u32(&h[pos - 4]);
  }
  return pos;
}

// OS-9 attributes: owner read, write, execute in bits 0-2, the same for
// everyone else in bits 3-5; as a Unix mode, the others' bits serve group and world.
uint16_t os9ToUnixMode(uint8_t a) {
  auto rwx = [](unsigned bits) { return (bits & 1) << 2 | (bits & 2) | (bits >> 2 & 1); };
  const unsigned owner = rwx(a & 7), others = rwx(a >> 3 & 7);
  return static_cast<uint16_t>(owner << 6 | others << 3 | others);
}

// What a level-0 header keeps after the name and CRC: `a[0]` is the OS id, `n`
// counts it. Unix writers add version, time, mode, uid and gid; LHA for
// OS-9/68k the same with the time twice, which must agree; OS-9 (6809) its
// file attributes.
void readLevel0Area(Fields& f, const uint8_t* a, size_t n) {
  if (n == 0) return;
  if (a[0] == 'U' && n >= 12) {
    f.hasUnixTime = true, f.unixTime = u32(a + 2);
    f.hasMode = true, f.mode = u16(a + 6);
  } else if (a[0] == 'K' && n >= 16 && u32(a + 2) == u32(a + 6)) {
    f.hasUnixTime = true, f.unixTime = u32(a + 2);
    f.hasMode = true, f.mode = u16(a + 10);
  } else if (a[0] == '9' && n >= 2) {
    f.hasMode = true, f.mode = os9ToUnixMode(a[1]);
  }
}

bool checkHeaderCrc(const Fields& f, std::vector<uint8_t> h, std::string& problem) {
  if (!f.hasHeaderCrc) return true;
  h[f.headerCrcAt] = h[f.headerCrcAt + 1] = 0;
  if (crc16Update(0, h.data(), h.size()) == f.headerCrc) return true;
  problem = "header CRC error";
  return false;
}

// Finds `c` in a name without mistaking a Shift-JIS trail byte for it.
size_t findChar(const std::string& s, char c, NameEncoding enc) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (enc == NameEncoding::ShiftJis && sjis::isPair(s, i)) {
      ++i;
    } else if (s[i] == c) {
      return i;
    }
  }
  return std::string::npos;
}

void toEntry(const Fields& f, Entry& e) {
  e = Entry{};
  bool unicode = f.hasUname || f.hasUdir;
  e.encoding = unicode ? NameEncoding::Utf8 : NameEncoding::ShiftJis;
  std::string dir = unicode ? utf16leToUtf8(f.hasUdir ? f.udir : std::string())
                            : slashSeparators(f.dir, NameEncoding::ShiftJis);
  std::string file = unicode ? utf16leToUtf8(f.uname) : slashSeparators(f.name, NameEncoding::ShiftJis);
  if (!dir.empty() && dir.back() != '/' && !file.empty()) dir += '/';
  e.name = dir + file;
  while (!e.name.empty() && e.name.back() == '/') e.name.pop_back();

  e.method = f.method;
  e.size = f.size;
  e.packedSize = f.packed;
  e.crc = f.crc;
  e.headerLevel = f.level;
  e.osType = f.os;
  e.hasUnixMode = f.hasMode;
  e.unixMode = f.mode;
  e.attributes = (f.hasExtAttr ? f.extAttr : f.attr) & 0x37;

  // Some Amiga programs stored empty folders as empty -lh0- members with a
  // folder name and no file name.
  if (f.method == "-lh0-" && f.size == 0 && !e.name.empty() && (file.empty() || file.back() == '/'))
    e.method = "-lhd-";

  if (e.method == "-lhd-") {
    bool modeSaysLink = f.hasMode && (f.mode & 0170000) == 0120000;
    size_t bar = findChar(e.name, '|', e.encoding);
    if (bar != std::string::npos && (modeSaysLink || !f.hasMode)) {
      e.kind = EntryKind::Symlink;
      e.linkTarget = e.name.substr(bar + 1);
      e.name.resize(bar);
    } else {
      e.kind = EntryKind::Folder;
      e.attributes |= kAttrFolder;
    }
  } else {
    e.hasCrc = true;
    e.crcBits = 16;
  }

  if (f.filetime != 0) {
    e.mtime = static_cast<int64_t>(f.filetime / 10000000) - kFiletimeToUnix;
  } else if (f.hasUnixTime) {
    e.mtime = f.unixTime;
  } else if (f.level >= 2) {
    e.mtime = f.stamp;
  } else {
    e.dosTime = static_cast<uint16_t>(f.stamp & 0xFFFF);
    e.dosDate = static_cast<uint16_t>(f.stamp >> 16);
    e.mtime = dosToUnixTime(e.dosDate, e.dosTime);
    return;
  }
  unixToDosTime(e.mtime, e.dosDate, e.dosTime);
}

HeaderResult bad(std::string why) { return {HeaderStatus::Bad, std::move(why)}; }

}  // namespace

bool looksLikeMethod(const uint8_t* p) {
  auto alnum = [](uint8_t c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); };
  return p[0] == '-' && p[4] == '-' && alnum(p[1]) && alnum(p[2]) && alnum(p[3]);
}

HeaderResult readHeader(ByteSource& src, uint64_t offset, LzhHeader& out) {
  uint8_t p[32];
  size_t got = src.readAt(offset, p, sizeof p);
  if (got == 0 || p[0] == 0) return {HeaderStatus::End, {}};
  if (got < 22) return bad("truncated header");
  if (!looksLikeMethod(p + 2)) return bad("no header here");

  Fields f;
  f.level = p[20];
  f.method.assign(reinterpret_cast<const char*>(p + 2), 5);
  f.packed = u32(p + 7);
  f.size = u32(p + 11);
  f.stamp = u32(p + 15);
  f.attr = p[19];
  std::string problem;
  std::vector<uint8_t> h;  // the whole header as stored

  auto load = [&](size_t n) {
    h.resize(n);
    return src.readAt(offset, h.data(), n) == n;
  };

  if (f.level == 0 || f.level == 1) {
    size_t base = static_cast<size_t>(p[0]) + 2;
    if (base < 24) return bad("bad header size");  // the fixed fields, an empty name and the CRC
    if (!load(base)) return bad("truncated header");
    uint8_t sum = 0;
    for (size_t i = 2; i < base; ++i) sum = static_cast<uint8_t>(sum + h[i]);
    if (sum != h[1]) return bad("header checksum error");
    size_t nameLen = h[21];
    size_t after = 22 + nameLen;  // the CRC follows the name
    if (after + 2 > base) return bad("bad header size");
    f.name.assign(reinterpret_cast<const char*>(&h[22]), nameLen);
    // Amiga programs put the file comment after a NUL in the name field.
    if (auto nul = f.name.find('\0'); nul != std::string::npos) {
      f.comment = f.name.substr(nul + 1);
      f.name.resize(nul);
    }
    f.crc = u16(&h[after]);
    size_t rest = base - after - 2;
    if (f.level == 0 && f.method.compare(0, 3, "-pm") == 0) {
      // PMarc keeps the file comment where other programs put the OS id.
      f.comment.assign(reinterpret_cast<const char*>(&h[after + 2]), rest);
    } else if (f.level == 0) {
      if (rest >= 1) f.os = h[after + 2];
      readLevel0Area(f, &h[after + 2], rest);
    } else {
      if (rest < 3) return bad("bad header size");
      f.os = h[after + 2];
      // Extended headers follow the base one; read them one at a time.
      uint32_t next = u16(&h[base - 2]);
      size_t pos = base;
      for (int count = 0; next != 0; ++count) {
        if (count == kMaxExtHeaders || next < 3 || pos + next > kMaxHeaderBytes) return bad("bad extended header");
        h.resize(pos + next);
        if (src.readAt(offset + pos, &h[pos], next) != next) return bad("truncated header");
        takeExtension(f, h[pos], &h[pos + 1], next - 3, pos + 1);
        pos += next;
        next = u16(&h[pos - 2]);
      }
      uint64_t extBytes = pos - base;
      if (f.packed < extBytes) return bad("bad compressed size");
      f.packed -= extBytes;  // level 1 counts the extended headers as data
    }
  } else if (f.level == 2) {
    size_t total = u16(p);
    if (total < 26) return bad("bad header size");
    if (!load(total)) return bad("truncated header");
    // LHA for OS-9/68k leaves the header's first two bytes out of its size: its
    // chain of extended headers then ends exactly two bytes past it.
    if (p[23] == 'K' && chainEnd(h, 26, u16(&h[24]), 2, total) == 0 && load(total + 2) &&
        chainEnd(h, 26, u16(&h[24]), 2, total + 2) == total + 2) {
      total += 2;
    } else if (h.size() != total) {
      load(total);
    }
    f.crc = u16(&h[21]);
    f.os = h[23];
    if (!walkExtensions(f, h, 26, u16(&h[24]), 2, problem)) return bad(problem);
  } else if (f.level == 3) {
    if (u16(p) != 4) return bad("bad header");
    size_t total = u32(p + 24);
    if (total < 32 || total > kMaxHeaderBytes) return bad("bad header size");
    if (!load(total)) return bad("truncated header");
    f.crc = u16(&h[21]);
    f.os = h[23];
    if (!walkExtensions(f, h, 32, u32(&h[28]), 4, problem)) return bad(problem);
  } else {
    return bad("unknown header level");
  }
  if (!checkHeaderCrc(f, h, problem)) return bad(problem);

  out = LzhHeader{};
  toEntry(f, out.entry);
  out.comment = f.comment;
  out.offset = offset;
  out.headerSize = h.size();
  return {HeaderStatus::Ok, {}};
}

}  // namespace fmt::lzh
