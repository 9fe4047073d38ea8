// One member of an archive as every format reader describes it.
#pragma once
#include <cstdint>
#include <string>

#include "base/attributes.h"

namespace fmt {

enum class NameEncoding { ShiftJis, Utf8 };

enum class EntryKind { File, Folder, Symlink, Hardlink, Device, Fifo };

struct Entry {
  // The name exactly as stored, in `encoding`, with '/' between folders (readers
  // turn the format's own separators, such as LZH's FF, into '/'). A folder
  // entry has no trailing '/'; `kind` says it is a folder.
  std::string name;
  NameEncoding encoding = NameEncoding::ShiftJis;
  EntryKind kind = EntryKind::File;
  std::string linkTarget;  // for links, in `encoding`

  uint64_t size = 0;        // uncompressed bytes
  uint64_t packedSize = 0;  // bytes of compressed data in the archive
  bool hasCrc = false;
  uint32_t crc = 0;       // as the format stores it: CRC-16 for LZH, CRC-32 for ZIP
  uint8_t crcBits = 32;   // the stored check value's width: 16 for LZH
  std::string method;     // "-lh5-", "MSZIP", "LZX:21", "deflate", "stored", ...

  // Time stamp. `mtime` is seconds since 1970 UTC; formats that store only a DOS
  // local stamp fill it by converting, formats with a UTC stamp fill dosDate and
  // dosTime by converting the other way (local time).
  int64_t mtime = 0;
  uint16_t dosDate = 0;
  uint16_t dosTime = 0;

  uint32_t attributes = 0;  // DOS attribute bits
  bool hasUnixMode = false;
  uint32_t unixMode = 0;
  uint8_t osType = 0;       // LZH OS id ('M', 'U', 'w', ...); 0 where none
  int headerLevel = -1;     // LZH header level; -1 for other formats
  bool encrypted = false;

  bool isFolder() const { return kind == EntryKind::Folder; }
};

// DOS stamps are local time; conversions use the machine's time zone.
int64_t dosToUnixTime(uint16_t date, uint16_t time);
void unixToDosTime(int64_t t, uint16_t& date, uint16_t& time);

}  // namespace fmt
