#include "zip/zip_directory.h"

#include <algorithm>
#include <cstdint>

#include "base/sjis.h"
#include "core/names.h"
#include "platform/platform.h"
#include "zip/zip_extra.h"
#include "zip/zip_format.h"

namespace fmt::zip {
namespace {

struct EndRecord {
  uint64_t position = 0;  // of the record the central directory should end at
  uint32_t disk = 0, centralDisk = 0, disks = 1;
  uint64_t entriesHere = 0, entries = 0;
  uint64_t centralSize = 0, centralOffset = 0;
};

// Finds the end record backwards from the end of the file. A comment can itself
// hold the signature, so a record whose comment reaches exactly to the end wins.
bool findEnd(ByteSource& src, EndRecord& end, Directory& dir) {
  uint64_t size = src.size();
  if (size < kEndSize) return false;
  size_t tailLen = static_cast<size_t>(std::min<uint64_t>(size, kEndSize + 0xFFFF));
  std::vector<uint8_t> tail(tailLen);
  uint64_t tailPos = size - tailLen;
  readExactAt(src, tailPos, tail.data(), tailLen, "the end record");

  long found = -1;
  bool exact = false;
  for (long i = static_cast<long>(tailLen - kEndSize); i >= 0; i--) {
    if (le32(&tail[i]) != kEndSig) continue;
    size_t end = i + kEndSize + le16(&tail[i + 20]);
    if (end == tailLen) {
      found = i, exact = true;
      break;
    }
    if (found < 0 && end < tailLen) found = i;
  }
  if (found < 0) return false;
  const uint8_t* e = &tail[found];
  size_t commentLen = std::min<size_t>(le16(e + 20), tailLen - found - kEndSize);
  dir.comment.assign(reinterpret_cast<const char*>(e + kEndSize), commentLen);
  if (!exact)
    dir.warnings.push_back(std::to_string(tailLen - found - kEndSize - commentLen) +
                           " bytes after the end of the archive ignored");

  end.position = tailPos + found;
  end.disk = le16(e + 4);
  end.centralDisk = le16(e + 6);
  end.entriesHere = le16(e + 8);
  end.entries = le16(e + 10);
  end.centralSize = le32(e + 12);
  end.centralOffset = le32(e + 16);

  // ZIP64: a locator right before the record points to the 64-bit end record.
  if (end.position < kEnd64LocatorSize) return true;
  uint8_t loc[kEnd64LocatorSize];
  uint64_t locPos = end.position - kEnd64LocatorSize;
  readExactAt(src, locPos, loc, sizeof loc, "the ZIP64 locator");
  if (le32(loc) != kEnd64LocatorSig) return true;
  end.disks = le32(loc + 16);
  uint64_t stated = le64(loc + 8);
  uint8_t r[kEnd64Size];
  auto recordAt = [&](uint64_t pos) {
    return pos <= locPos && locPos - pos >= kEnd64Size && src.readAt(pos, r, sizeof r) == sizeof r && le32(r) == kEnd64Sig;
  };
  uint64_t pos = stated;
  // With a prefix the stated offset is off by its size; the record normally sits
  // right before the locator.
  if (!recordAt(pos)) {
    pos = locPos >= kEnd64Size ? locPos - kEnd64Size : 0;
    if (!recordAt(pos)) fail(ErrorKind::Corrupt, "the ZIP64 end of central directory record is missing");
  }
  end.position = pos;
  end.disk = le32(r + 16);
  end.centralDisk = le32(r + 20);
  end.entriesHere = le64(r + 24);
  end.entries = le64(r + 32);
  end.centralSize = le64(r + 40);
  end.centralOffset = le64(r + 48);
  return true;
}

bool endsWithBackslash(const std::string& name, NameEncoding enc) {
  if (name.empty() || name.back() != '\\') return false;
  if (enc == NameEncoding::Utf8) return true;
  size_t i = 0, last = 0;
  while (i < name.size()) {
    last = i;
    i = sjis::next(name, i);
  }
  return last == name.size() - 1;  // a single-byte character, not a trail byte
}

// Info-ZIP on a UTF-8 system stores its names as they are, without the flag or
// the Unicode field; a Unix host with a valid non-ASCII UTF-8 name is taken as that.
bool unixUtf8Name(const Item& it) {
  uint8_t host = static_cast<uint8_t>(it.versionMadeBy >> 8);
  if (host != kHostUnix && host != kHostMac) return false;
  bool ascii = std::all_of(it.rawName.begin(), it.rawName.end(), [](char c) { return !(c & 0x80); });
  return !ascii && platform::isValidUtf8(it.rawName);
}

Entry makeEntry(Item& it, const std::string& unicodeName, bool haveStamp, int64_t stamp) {
  Entry e;
  if (it.flags & kFlagUtf8) {
    e.name = it.rawName, e.encoding = NameEncoding::Utf8;
  } else if (!unicodeName.empty()) {
    e.name = unicodeName, e.encoding = NameEncoding::Utf8;
  } else if (unixUtf8Name(it)) {
    e.name = it.rawName, e.encoding = NameEncoding::Utf8;
  } else {
    e.name = it.rawName, e.encoding = NameEncoding::ShiftJis;
  }
  e.attributes = it.externalAttributes & 0xFF;
  uint8_t host = static_cast<uint8_t>(it.versionMadeBy >> 8);
  uint32_t mode = it.externalAttributes >> 16;
  if ((host == kHostUnix || host == kHostMac) && mode) {
    e.hasUnixMode = true;
    e.unixMode = mode;
    switch (mode & 0170000) {
      case 0040000: e.kind = EntryKind::Folder; break;
      case 0120000: e.kind = EntryKind::Symlink; break;
      case 0010000: e.kind = EntryKind::Fifo; break;
      case 0020000:
      case 0060000: e.kind = EntryKind::Device; break;
      default: break;
    }
  }
  bool slash = !e.name.empty() && e.name.back() == '/';
  if (slash || endsWithBackslash(e.name, e.encoding)) e.kind = EntryKind::Folder;
  if ((e.attributes & kAttrFolder) && it.size == 0 && e.kind == EntryKind::File) e.kind = EntryKind::Folder;
  while (!e.name.empty() && (e.name.back() == '/' || (e.kind == EntryKind::Folder && endsWithBackslash(e.name, e.encoding))))
    e.name.pop_back();
  if (e.kind == EntryKind::Folder) e.attributes |= kAttrFolder;

  e.size = it.size;
  e.packedSize = it.packedSize;
  e.hasCrc = true;
  e.crc = it.crc;
  e.method = methodName(it.method);
  if (it.aesStrength) e.method = methodName(it.aesMethod) + "+AES" + std::to_string(64 + 64 * it.aesStrength);
  e.encrypted = (it.flags & kFlagEncrypted) != 0;
  if (haveStamp) {
    e.mtime = stamp;
    unixToDosTime(stamp, e.dosDate, e.dosTime);
  } else {
    e.dosDate = it.dosDate, e.dosTime = it.dosTime;
    e.mtime = dosToUnixTime(it.dosDate, it.dosTime);
  }
  return e;
}

void readCentral(ByteSource& src, const EndRecord& end, int64_t shift, Directory& dir) {
  std::vector<uint8_t> cd(static_cast<size_t>(end.centralSize));
  readExactAt(src, dir.centralStart, cd.data(), cd.size(), "the central directory");
  dir.items.reserve(static_cast<size_t>(std::min<uint64_t>(end.entries, cd.size() / kCentralSize)));

  size_t pos = 0;
  while (cd.size() - pos >= kCentralSize && le32(&cd[pos]) == kCentralSig) {
    const uint8_t* h = &cd[pos];
    size_t nameLen = le16(h + 28), extraLen = le16(h + 30), commentLen = le16(h + 32);
    if (cd.size() - pos - kCentralSize < nameLen + extraLen + commentLen) {
      dir.warnings.push_back("central directory record " + std::to_string(dir.items.size() + 1) + " is cut short");
      break;
    }
    Item it;
    it.versionMadeBy = le16(h + 4);
    it.flags = le16(h + 8);
    it.method = le16(h + 10);
    it.dosTime = le16(h + 12);
    it.dosDate = le16(h + 14);
    it.crc = le32(h + 16);
    it.packedSize = le32(h + 20);
    it.size = le32(h + 24);
    uint32_t disk = le16(h + 34);
    it.externalAttributes = le32(h + 38);
    uint64_t offset = le32(h + 42);
    it.rawName.assign(reinterpret_cast<const char*>(h + kCentralSize), nameLen);

    std::string unicodeName;
    int64_t ntfsStamp = 0, unixStamp = 0;
    bool haveNtfs = false, haveUnix = false, haveAes = false;
    forEachExtra(h + kCentralSize + nameLen, extraLen, [&](uint16_t id, const uint8_t* d, size_t len) {
      switch (id) {
        case kExtraZip64:
          if (!applyZip64(d, len, {&it.size, &it.packedSize, &offset, &disk}))
            it.refuse(ErrorKind::Corrupt, "its ZIP64 field is too short");
          break;
        case kExtraUnicodePath: unicodePath(d, len, it.rawName, unicodeName); break;
        case kExtraNtfs: haveNtfs = ntfsMtime(d, len, ntfsStamp); break;
        case kExtraTimestamp: haveUnix = extendedTimestampMtime(d, len, unixStamp); break;
        case kExtraAes: haveAes = aesField(d, len, it.aesVersion, it.aesStrength, it.aesMethod); break;
        default: break;
      }
    });
    if (it.method == kMethodAes) {
      if (!haveAes) {
        it.aesStrength = 0;
        it.refuse(ErrorKind::Corrupt, "it is AES-encrypted but has no valid AES field");
      } else if (it.aesStrength < 1 || it.aesStrength > 3 || (it.aesVersion != 1 && it.aesVersion != 2)) {
        it.refuse(ErrorKind::Unsupported, "its AES form (version " + std::to_string(it.aesVersion) + ", strength " +
                                              std::to_string(it.aesStrength) + ") is unknown");
        it.aesStrength = 0;
      } else if (!(it.flags & kFlagEncrypted)) {
        it.refuse(ErrorKind::Corrupt, "it is AES-encrypted but not marked as encrypted");
      }
    } else {
      it.aesStrength = 0;  // a stray field on an entry of another method means nothing
    }
    if (disk != 0) it.refuse(ErrorKind::Unsupported, "it starts on another disk of a split archive");
    if (shift < 0 && offset < static_cast<uint64_t>(-shift))
      it.refuse(ErrorKind::Corrupt, "its local header lies before the start of the archive");
    it.localOffset = offset + static_cast<uint64_t>(shift);

    dir.entries.push_back(makeEntry(it, unicodeName, haveNtfs || haveUnix, haveNtfs ? ntfsStamp : unixStamp));
    dir.items.push_back(std::move(it));
    pos += kCentralSize + nameLen + extraLen + commentLen;
  }
  if (dir.items.size() != end.entries)
    dir.warnings.push_back("the end record counts " + std::to_string(end.entries) + " entries, the central directory holds " +
                           std::to_string(dir.items.size()));
}

}  // namespace

bool readDirectory(ByteSource& src, Directory& dir) {
  uint8_t head[4] = {};
  bool zipStart = src.readAt(0, head, 4) == 4 && (le32(head) == kLocalSig || le32(head) == kDescriptorSig);
  // Any file may hold the end signature (programs that handle ZIP do): unless the
  // file starts like a ZIP, an end record that does not hold up means "not a ZIP".
  auto refuse = [&](ErrorKind kind, const std::string& why) {
    if (!zipStart) return false;
    fail(kind, why);
  };
  EndRecord end;
  try {
    if (!findEnd(src, end, dir))
      return refuse(ErrorKind::Truncated, "the ZIP archive has no end of central directory record (truncated?)");
  } catch (const Error& e) {
    if (e.kind() == ErrorKind::Io) throw;
    return refuse(e.kind(), e.what());
  }
  if (end.disk != 0 || end.centralDisk != 0 || end.disks > 1 || end.entriesHere != end.entries ||
      (zipStart && le32(head) == kDescriptorSig)) {
    bool plausible = zipStart || (end.disk < 1000 && end.centralDisk <= end.disk);
    if (!plausible) return false;
    fail(ErrorKind::Unsupported, "split or spanned ZIP archives are not supported (this is disk " +
                                     std::to_string(end.disk + 1) + ")");
  }

  // The central directory normally ends where the end record starts; when it is
  // found there rather than at its stated offset, everything is shifted by a
  // prefix such as a self-extracting program.
  auto centralAt = [&](uint64_t pos) {
    uint8_t sig[4];
    return src.readAt(pos, sig, 4) == 4 && le32(sig) == kCentralSig;
  };
  int64_t shift = 0;
  if (end.centralSize > end.position) return refuse(ErrorKind::Corrupt, "the central directory is larger than the archive");
  if (end.centralSize > 0 && !centralAt(end.centralOffset)) {
    uint64_t found = end.position - end.centralSize;
    if (!centralAt(found))
      return refuse(ErrorKind::Corrupt, "the central directory is not where the end record places it");
    // A stated offset past the real one by more than any file could hold is damage,
    // and would not fit the signed shift.
    if (end.centralOffset > found && end.centralOffset - found > static_cast<uint64_t>(INT64_MAX))
      return refuse(ErrorKind::Corrupt, "the central directory is not where the end record places it");
    shift = end.centralOffset > found ? -static_cast<int64_t>(end.centralOffset - found)
                                      : static_cast<int64_t>(found - end.centralOffset);
  }
  dir.prefixSize = shift > 0 ? static_cast<uint64_t>(shift) : 0;
  dir.centralStart = end.centralOffset + static_cast<uint64_t>(shift);
  if (dir.centralStart > end.position || end.centralSize > end.position - dir.centralStart)
    return refuse(ErrorKind::Corrupt, "the central directory overlaps the end record");
  readCentral(src, end, shift, dir);
  return true;
}

void checkLocalHeaders(ByteSource& src, Directory& dir) {
  struct Range {
    uint64_t start, end;
    size_t index;
  };
  std::vector<Range> ranges;
  ranges.reserve(dir.items.size());
  std::vector<uint8_t> var;
  for (size_t i = 0; i < dir.items.size(); i++) {
    Item& it = dir.items[i];
    if (!it.problem.empty()) continue;
    uint8_t h[kLocalSize];
    if (src.readAt(it.localOffset, h, kLocalSize) != kLocalSize) {
      it.refuse(ErrorKind::Truncated, "its local header lies past the end of the archive");
      continue;
    }
    if (le32(h) != kLocalSig) {
      it.refuse(ErrorKind::Corrupt, "there is no local header where the central directory points");
      continue;
    }
    size_t nameLen = le16(h + 26), extraLen = le16(h + 28);
    var.resize(nameLen + extraLen);
    if (src.readAt(it.localOffset + kLocalSize, var.data(), var.size()) != var.size()) {
      it.refuse(ErrorKind::Truncated, "the archive ends inside its local header");
      continue;
    }
    it.localFlags = le16(h + 6);
    it.localDosTime = le16(h + 10);
    uint32_t crc = le32(h + 14);
    uint64_t packed = le32(h + 18), size = le32(h + 22);
    forEachExtra(var.data() + nameLen, extraLen, [&](uint16_t id, const uint8_t* d, size_t len) {
      if (id != kExtraZip64) return;
      it.local64 = true;
      applyZip64(d, len, {&size, &packed, nullptr, nullptr});
    });

    const char* differs = nullptr;
    if (std::string(reinterpret_cast<const char*>(var.data()), nameLen) != it.rawName)
      differs = "name";
    else if (le16(h + 8) != it.method)
      differs = "method";
    else if ((it.localFlags ^ it.flags) & kFlagEncrypted)
      differs = "encryption";
    else if (!(it.localFlags & kFlagDescriptor) && crc != it.crc)
      differs = "CRC";
    else if (!(it.localFlags & kFlagDescriptor) && (packed != it.packedSize || size != it.size))
      differs = "sizes";
    if (differs) {
      it.refuse(ErrorKind::Corrupt, std::string("its local header disagrees with the central directory (") + differs + ")");
      continue;
    }
    // Harmless, but worth a word: some tools rewrite one stamp and not the other.
    if (le16(h + 10) != it.dosTime || le16(h + 12) != it.dosDate)
      dir.warnings.push_back(utf8Name(dir.entries[i]) + ": the local header has another time stamp");
    it.dataOffset = it.localOffset + kLocalSize + nameLen + extraLen;
    if (it.dataOffset > dir.centralStart || it.packedSize > dir.centralStart - it.dataOffset) {
      it.refuse(ErrorKind::Corrupt, "its data runs into the central directory");
      continue;
    }
    ranges.push_back({it.localOffset, it.dataOffset + it.packedSize, i});
  }

  // Entries sharing bytes are how ZIP bombs multiply a small input; refuse them all.
  std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.start < b.start; });
  uint64_t reach = 0;
  size_t reachIndex = 0;
  bool any = false;
  for (const Range& r : ranges) {
    if (any && r.start < reach) {
      dir.items[r.index].refuse(ErrorKind::Corrupt, "its data overlaps another entry's");
      dir.items[reachIndex].refuse(ErrorKind::Corrupt, "its data overlaps another entry's");
    }
    if (!any || r.end > reach) reach = r.end, reachIndex = r.index;
    any = true;
  }
}

}  // namespace fmt::zip
