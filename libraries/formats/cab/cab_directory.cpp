#include "cab/cab_directory.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"

namespace fmt::cab {
namespace {

// Sequential reads from [pos, end) of a file, buffered, failing with Truncated at the end.
class Cursor {
 public:
  Cursor(platform::File& f, uint64_t pos, uint64_t end) : f_(f), pos_(pos), end_(end) {}

  void bytes(void* out, size_t n, const char* what) {
    auto* o = static_cast<uint8_t*>(out);
    while (n) {
      if (at_ == buf_.size()) fill(what);
      size_t k = std::min(n, buf_.size() - at_);
      std::memcpy(o, buf_.data() + at_, k);
      o += k, at_ += k, n -= k;
    }
  }
  uint8_t u8(const char* what) {
    uint8_t b;
    bytes(&b, 1, what);
    return b;
  }
  uint16_t u16(const char* what) {
    uint8_t b[2];
    bytes(b, 2, what);
    return get16(b);
  }
  uint32_t u32(const char* what) {
    uint8_t b[4];
    bytes(b, 4, what);
    return get32(b);
  }
  void skip(size_t n, const char* what) {
    while (n) {
      if (at_ == buf_.size()) fill(what);
      size_t k = std::min(n, buf_.size() - at_);
      at_ += k, n -= k;
    }
  }
  // A NUL-terminated string of at most kMaxNameBytes bytes.
  std::string cstring(const char* what) {
    std::string s;
    for (;;) {
      char c = static_cast<char>(u8(what));
      if (c == 0) return s;
      if (s.size() == kMaxNameBytes) fail(ErrorKind::Corrupt, std::string(what) + " is not terminated");
      s.push_back(c);
    }
  }

 private:
  void fill(const char* what) {
    if (pos_ >= end_) fail(ErrorKind::Truncated, std::string("cabinet ends inside ") + what);
    size_t n = static_cast<size_t>(std::min<uint64_t>(end_ - pos_, 65536));
    buf_.resize(n);
    f_.seek(pos_);
    readExact(f_, buf_.data(), n, "cabinet");
    pos_ += n;
    at_ = 0;
  }

  platform::File& f_;
  uint64_t pos_, end_;
  std::vector<uint8_t> buf_;
  size_t at_ = 0;
};

}  // namespace

bool plausibleHeader(const uint8_t* p, uint64_t base, uint64_t fileSize) {
  if (std::memcmp(p, kSignature, 4) != 0) return false;
  uint32_t size = get32(p + 8), filesAt = get32(p + 16);
  uint16_t folders = get16(p + 26), files = get16(p + 28), flags = get16(p + 30);
  if (p[25] != 1) return false;  // major version
  if (size < kHeaderSize || filesAt < kHeaderSize || filesAt >= size) return false;
  if (folders == 0 || files == 0 || (flags & ~0x0007)) return false;
  return base + filesAt < fileSize;
}

Cabinet readCabinet(platform::File& f, uint64_t base, std::vector<std::string>& warnings) {
  uint64_t fileSize = f.size();
  Cabinet cab;
  cab.base = base;
  Cursor in(f, base, fileSize);
  uint8_t h[kHeaderSize];
  in.bytes(h, sizeof h, "the cabinet header");
  if (std::memcmp(h, kSignature, 4) != 0) fail(ErrorKind::Corrupt, "no cabinet signature");
  if (h[25] != 1) fail(ErrorKind::Unsupported, "cabinet format version " + std::to_string(h[25]) + " is unknown");
  cab.size = get32(h + 8);
  uint32_t filesAt = get32(h + 16);
  uint16_t nFolders = get16(h + 26), nFiles = get16(h + 28);
  cab.flags = get16(h + 30);
  cab.setId = get16(h + 32);
  cab.index = get16(h + 34);
  if (nFolders == 0) fail(ErrorKind::Corrupt, "cabinet has no folders");
  if (nFiles == 0) fail(ErrorKind::Corrupt, "cabinet has no files");
  if (cab.size < kHeaderSize || filesAt < kHeaderSize || filesAt >= cab.size)
    fail(ErrorKind::Corrupt, "cabinet header gives impossible offsets");
  if (base + cab.size > fileSize)
    warnings.push_back("cabinet is " + std::to_string(base + cab.size - fileSize) + " bytes shorter than it claims");

  if (cab.flags & kFlagReservePresent) {
    cab.headerReserve = in.u16("the reserve sizes");
    cab.folderReserve = in.u8("the reserve sizes");
    cab.dataReserve = in.u8("the reserve sizes");
    in.skip(cab.headerReserve, "the header's reserved area");
  }
  if (cab.flags & kFlagPrevCabinet) {
    cab.prevCabinet = in.cstring("the previous cabinet's name");
    cab.prevDisk = in.cstring("the previous disk's name");
  }
  if (cab.flags & kFlagNextCabinet) {
    cab.nextCabinet = in.cstring("the next cabinet's name");
    cab.nextDisk = in.cstring("the next disk's name");
  }

  cab.folders.reserve(nFolders);
  for (uint16_t i = 0; i < nFolders; i++) {
    FolderRecord fo;
    fo.dataOffset = in.u32("a folder record");
    fo.dataCount = in.u16("a folder record");
    fo.typeCompress = in.u16("a folder record");
    in.skip(cab.folderReserve, "a folder's reserved area");
    if (fo.dataOffset < kHeaderSize || base + fo.dataOffset > fileSize)
      fail(ErrorKind::Corrupt, "folder " + std::to_string(i) + " starts outside the cabinet");
    cab.folders.push_back(fo);
  }

  // The CFFILEs are read where they follow the folders, as Windows reads them:
  // coffFiles could otherwise show other tools a different list.
  Cursor& files = in;
  cab.files.reserve(nFiles);
  for (uint16_t i = 0; i < nFiles; i++) {
    FileRecord fr;
    uint8_t r[kFileSize];
    files.bytes(r, sizeof r, "a file record");
    fr.size = get32(r);
    fr.folderOffset = get32(r + 4);
    fr.folderIndex = get16(r + 8);
    fr.date = get16(r + 10);
    fr.time = get16(r + 12);
    fr.attributes = get16(r + 14);
    fr.name = files.cstring("a file name");
    if (fr.name.empty()) fail(ErrorKind::Corrupt, "file " + std::to_string(i) + " has no name");
    if (fr.folderIndex < kContinuedFromPrev && fr.folderIndex >= nFolders)
      fail(ErrorKind::Corrupt, "file " + std::to_string(i) + " names folder " + std::to_string(fr.folderIndex) +
                                   " of " + std::to_string(nFolders));
    if (static_cast<uint64_t>(fr.folderOffset) + fr.size > kMaxFolderBytes)
      fail(ErrorKind::Corrupt, "file " + std::to_string(i) + " lies beyond the largest possible folder");
    cab.files.push_back(std::move(fr));
  }
  return cab;
}

}  // namespace fmt::cab
