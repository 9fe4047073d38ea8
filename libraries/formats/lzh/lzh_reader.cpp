#include "lzh/lzh_reader.h"

#include <cstring>

#include "codecs/lh/lzh_decoders.h"
#include "core/checked_out_stream.h"
#include "core/extract.h"
#include "core/names.h"

namespace fmt::lzh {

namespace {

// LHARK wrote "-lh7-" for a scheme of its own, with level-1 headers and OS id
// 0x20; nothing else in the header tells the two apart. A member of that
// profile which fails as standard -lh7- is most likely LHARK's, and no public
// description of its coding exists to decode it from.
void refuseIfLhark(const Entry& e) {
  if (e.method == "-lh7-" && e.headerLevel == 1 && e.osType == 0x20)
    fail(ErrorKind::Unsupported, utf8Name(e) + " does not decode as -lh7-: it looks like LHARK's own -lh7- scheme, "
                                 "which this program cannot decode");
}

// How far into a file to look for an archive behind a self-extracting program.
constexpr uint64_t kExeSearch = 4u << 20;    // files starting with "MZ"
constexpr uint64_t kOtherSearch = 64u << 10;  // .com and other stubs

}  // namespace

std::unique_ptr<LzhReader> LzhReader::open(std::unique_ptr<ByteSource> src) {
  std::unique_ptr<LzhReader> r(new LzhReader(std::move(src)));
  LzhHeader first;
  if (readHeader(*r->src_, 0, first).status == HeaderStatus::Ok) {
    r->scan(0);
    return r;
  }
  // A self-extracting program. Its stub may carry small archives of its own
  // (help texts); the one appended to it comes last and usually runs to the
  // end of the file (a signature may follow it), so the sound candidate that
  // ends last is taken.
  uint8_t magic[263] = {};
  size_t got0 = r->src_->readAt(0, magic, sizeof magic);
  if (got0 == 1 && magic[0] == 0) return r;  // an archive with no members
  // Other archives may hold an LZH file stored as it is: that is no LZH archive.
  if (got0 >= 4 && (std::memcmp(magic, "PK\x03\x04", 4) == 0 || std::memcmp(magic, "MSCF", 4) == 0)) return nullptr;
  if (got0 >= 262 && std::memcmp(magic + 257, "ustar", 5) == 0) return nullptr;
  uint64_t limit = (magic[0] == 'M' && magic[1] == 'Z') ? kExeSearch : kOtherSearch;
  limit = std::min<uint64_t>(limit, r->src_->size());
  int64_t fallback = -1;
  uint64_t fallbackEnd = 0;
  std::vector<uint8_t> buf(1 << 16);
  uint64_t pos = 0;
  while (pos < limit) {
    size_t got = r->src_->readAt(pos, buf.data(), buf.size());
    bool jumped = false;
    for (size_t i = 0; i + 7 <= got && pos + i < limit; ++i) {
      if (!looksLikeMethod(&buf[i + 2])) continue;
      LzhHeader h;
      if (readHeader(*r->src_, pos + i, h).status != HeaderStatus::Ok) continue;
      uint64_t end = 0;
      if (!r->scan(pos + i, &end)) continue;
      if (end + 2 >= r->src_->size()) return r;
      if (fallback < 0 || end > fallbackEnd) fallback = static_cast<int64_t>(pos + i), fallbackEnd = end;
      // The members of this archive are no better candidates: go past them.
      pos = std::max(end, pos + i + 1);
      jumped = true;
      break;
    }
    if (jumped) continue;
    if (got < buf.size()) break;
    pos += buf.size() - 8;
  }
  if (fallback < 0) return nullptr;
  r->scan(static_cast<uint64_t>(fallback));
  return r;
}

// Reads members from `start`; false when not even the first one is sound.
bool LzhReader::scan(uint64_t start, uint64_t* end) {
  headers_.clear();
  entries_.clear();
  warnings_.clear();
  uint64_t pos = start;
  const uint64_t fileSize = src_->size();
  for (;;) {
    LzhHeader h;
    HeaderResult res = readHeader(*src_, pos, h);
    if (res.status == HeaderStatus::End) break;
    if (res.status == HeaderStatus::Bad) {
      // Behind a program a header must be followed by another or the end, or
      // it was a chance match inside the program.
      if (headers_.empty() || (start != 0 && headers_.size() == 1)) return false;
      warnings_.push_back("ignored data at offset " + std::to_string(pos) + " after the last member (" +
                          res.problem + ")");
      break;
    }
    uint64_t dataEnd = h.dataOffset() + h.entry.packedSize;
    if (dataEnd < h.dataOffset() || dataEnd > fileSize) {
      if (headers_.empty() && start != 0) return false;  // a false match inside a program
      warnings_.push_back("the archive ends inside the data of " + utf8Name(h.entry));
      headers_.push_back(h);
      entries_.push_back(h.entry);
      break;
    }
    headers_.push_back(h);
    entries_.push_back(h.entry);
    pos = dataEnd;
  }
  if (end) *end = pos;
  return !headers_.empty() || start == 0;
}

void LzhReader::extract(size_t index, OutStream& out, const ProgressFn& progress) {
  if (index >= headers_.size()) fail(ErrorKind::Usage, "no such entry");
  const LzhHeader& h = headers_[index];
  const Entry& e = h.entry;
  if (e.kind != EntryKind::File) return;
  auto decoder = codecs::makeLzhDecoder(e.method);
  if (!decoder) fail(ErrorKind::Unsupported, "unsupported method " + e.method + " for " + utf8Name(e));
  RangeInStream in(*src_, h.dataOffset(), e.packedSize);
  CheckedOutStream<Crc16Check> checked(out, e.size, progress);
  try {
    decoder->decode(in, e.size, checked);
  } catch (const Error& err) {
    if (err.kind() == ErrorKind::Corrupt || err.kind() == ErrorKind::Truncated) refuseIfLhark(e);
    throw;
  }
  if (checked.check() != e.crc) {
    refuseIfLhark(e);
    fail(ErrorKind::Checksum, "CRC error in " + utf8Name(e));
  }
}

void LzhReader::copyRaw(size_t index, OutStream& out) {
  const LzhHeader& h = headers_.at(index);
  RangeInStream in(*src_, h.offset, h.headerSize + h.entry.packedSize);
  std::vector<uint8_t> buf(1 << 16);
  uint64_t left = h.headerSize + h.entry.packedSize;
  while (left) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
    readExact(in, buf.data(), n, "archive member");
    out.write(buf.data(), n);
    left -= n;
  }
}

ExtractSummary testArchive(const std::string& path, ExtractObserver& observer) {
  auto reader = LzhReader::open(fileByteSource(path));
  if (!reader) fail(ErrorKind::Usage, path + " is not an LZH archive");
  ExtractRequest req;
  req.testOnly = true;
  return extractEntries(*reader, req, observer);
}

}  // namespace fmt::lzh
