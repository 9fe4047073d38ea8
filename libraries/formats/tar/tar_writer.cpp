#include "tar/tar_writer.h"

#include <algorithm>
#include <cstring>

#include "core/atomic_file.h"
#include "platform/platform.h"
#include "tar/tar_format.h"
#include "tar/tar_pax.h"
#include "tar/tar_reader.h"

namespace fmt::tar {

namespace {

// Splits a name over the ustar prefix and name fields when it can.
bool splitUstarName(const std::string& full, std::string& prefix, std::string& name) {
  if (full.size() <= kName.length) {
    prefix.clear();
    name = full;
    return true;
  }
  for (size_t slash = std::min(full.size() - 1, kPrefix.length); slash > 0; slash--) {
    if (full[slash] != '/') continue;
    if (full.size() - slash - 1 > kName.length) return false;
    if (slash == full.size() - 1) continue;
    prefix = full.substr(0, slash);
    name = full.substr(slash + 1);
    return true;
  }
  return false;
}

// What goes in the ustar field when the real name is in the pax header: ASCII
// only, cut to the field, so that a reader without pax still gets a usable name.
std::string asciiStandIn(const std::string& s, size_t limit) {
  std::string out;
  for (char c : s) out.push_back(static_cast<unsigned char>(c) < 0x80 && c != 0 ? c : '_');
  if (out.size() > limit) out = out.substr(out.size() - limit);
  return out;
}

constexpr uint64_t kMaxOctalSize = (uint64_t{1} << 33) - 1;  // 11 octal digits

}  // namespace

void TarWriter::put(const void* p, size_t n) {
  out_.write(p, n);
  written_ += n;
}

void TarWriter::header(const std::string& name, char type, uint64_t size, int64_t mtime, uint32_t mode,
                       const std::string& link) {
  std::string pax;
  std::string prefix, shortName;
  if (!isAscii(name) || !splitUstarName(name, prefix, shortName)) {
    appendPaxRecord(pax, "path", name);
    prefix.clear();
    shortName = asciiStandIn(name, kName.length);
  }
  std::string shortLink = link;
  if (!isAscii(link) || link.size() > kLinkname.length) {
    appendPaxRecord(pax, "linkpath", link);
    shortLink = asciiStandIn(link, kLinkname.length);
  }
  if (size > kMaxOctalSize) appendPaxRecord(pax, "size", std::to_string(size));
  if (mtime < 0 || static_cast<uint64_t>(mtime) > kMaxOctalSize) appendPaxRecord(pax, "mtime", std::to_string(mtime));

  auto fill = [&](uint8_t* b, const std::string& n, const std::string& pre, char t, uint64_t sz, const std::string& l) {
    std::memset(b, 0, kBlock);
    putString(b, kName, n);
    putOctal(b, kMode, mode & 07777);
    putOctal(b, kUid, 0);
    putOctal(b, kGid, 0);
    if (!putOctal(b, kSize, sz)) putBase256(b, kSize, static_cast<int64_t>(sz));
    if (mtime < 0 || !putOctal(b, kMtime, static_cast<uint64_t>(mtime))) putBase256(b, kMtime, mtime);
    b[kTypeflag] = static_cast<uint8_t>(t);
    putString(b, kLinkname, l);
    std::memcpy(b + kMagic.offset, "ustar\0", 6);
    std::memcpy(b + kVersion.offset, "00", 2);
    putOctal(b, kDevMajor, 0);
    putOctal(b, kDevMinor, 0);
    putString(b, kPrefix, pre);
    putChecksum(b);
  };

  uint8_t block[kBlock];
  if (!pax.empty()) {
    const size_t slash = name.find_last_of('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    fill(block, "PaxHeaders/" + asciiStandIn(base, kName.length - 11), "", 'x', pax.size(), "");
    put(block, kBlock);
    put(pax.data(), pax.size());
    static const uint8_t zeros[kBlock] = {};
    put(zeros, roundUpToBlock(pax.size()) - pax.size());
  }
  fill(block, shortName, prefix, type, size, shortLink);
  put(block, kBlock);
}

void TarWriter::addFolder(const std::string& name, int64_t mtime, uint32_t mode) {
  header(name + "/", '5', 0, mtime, mode);
}

void TarWriter::addSymlink(const std::string& name, const std::string& target, int64_t mtime) {
  header(name, '2', 0, mtime, 0777, target);
}

void TarWriter::addFile(const std::string& name, uint64_t size, int64_t mtime, InStream& data, uint32_t mode,
                        const ProgressFn& progress) {
  header(name, '0', size, mtime, mode);
  std::vector<uint8_t> buf(1 << 16);
  uint64_t left = size;
  while (left > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
    size_t got = 0;
    while (got < want) {
      const size_t r = data.read(buf.data() + got, want - got);
      if (r == 0) fail(ErrorKind::Io, name + ": the file became shorter while it was read");
      got += r;
    }
    put(buf.data(), got);
    left -= got;
    if (progress && !progress(size - left, size)) fail(ErrorKind::Cancelled, "cancelled");
  }
  static const uint8_t zeros[kBlock] = {};
  put(zeros, roundUpToBlock(size) - size);
}

void TarWriter::finish() {
  static const uint8_t zeros[kBlock] = {};
  put(zeros, kBlock);
  put(zeros, kBlock);
  while (written_ % kRecord) put(zeros, kBlock);
}

namespace {

uint32_t modeFor(const SourceItem& item) {
  const uint32_t mode = item.isFolder ? 0755 : 0644;
  return (item.attributes & kAttrReadOnly) ? mode & ~0222u : mode;
}

void writeMembers(TarWriter& writer, const std::vector<SourceItem>& items, const std::vector<LinkItem>& links,
                  const TarWriteOptions& options) {
  for (const SourceItem& item : items) {
    if (item.isFolder) {
      writer.addFolder(item.name, item.mtime, modeFor(item));
    } else {
      ProgressFn progress;
      if (options.progress)
        progress = [&](uint64_t done, uint64_t total) { return options.progress(item, done, total); };
      if (progress && !progress(0, item.size)) fail(ErrorKind::Cancelled, "cancelled");
      auto in = platform::File::open(item.diskPath, platform::File::Read);
      writer.addFile(item.name, item.size, item.mtime, *in, modeFor(item), progress);
    }
  }
  for (const LinkItem& link : links) writer.addSymlink(link.name, link.target, link.mtime);
  writer.finish();
}

}  // namespace

void writeTarArchive(const std::string& archive, const std::vector<SourceItem>& items,
                     const std::vector<LinkItem>& links, const TarWriteOptions& options) {
  AtomicFile file(archive);
  {
    CompressingOutStream compressed(file.file(), options.compression, options.level);
    TarWriter writer(compressed);
    writeMembers(writer, items, links, options);
    compressed.finish();
  }
  file.commit();
}

void appendToTarArchive(const std::string& archive, uint64_t end, const std::vector<SourceItem>& items,
                        const std::vector<LinkItem>& links, const TarWriteOptions& options) {
  AtomicFile file(archive);
  {
    auto old = platform::File::open(archive, platform::File::Read);
    std::vector<uint8_t> buf(1 << 16);
    for (uint64_t left = end; left > 0;) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
      readExact(*old, buf.data(), want, "the archive");
      file.file().write(buf.data(), want);
      left -= want;
    }
    TarWriter writer(file.file(), end);
    writeMembers(writer, items, links, options);
  }
  file.commit();
}

uint64_t membersEnd(const ArchiveReader& reader) {
  const auto* tar = dynamic_cast<const TarReader*>(&reader);
  if (!tar) fail(ErrorKind::Usage, "not a tar archive");
  return tar->membersEnd();
}

void writeCompressedFile(const std::string& archive, const SourceItem& item, const TarWriteOptions& options) {
  if (item.isFolder || options.compression == Filter::None)
    fail(ErrorKind::Usage, "a compressed file holds exactly one file");
  codecs::GzipHeader header;
  header.hasName = true;
  const size_t slash = item.name.find_last_of('/');
  header.name = slash == std::string::npos ? item.name : item.name.substr(slash + 1);
  header.mtime = item.mtime > 0 && item.mtime <= INT32_MAX ? static_cast<uint32_t>(item.mtime) : 0;
  AtomicFile file(archive);
  {
    CompressingOutStream compressed(file.file(), options.compression, options.level, header);
    auto in = platform::File::open(item.diskPath, platform::File::Read);
    std::vector<uint8_t> buf(1 << 16);
    for (;;) {
      const size_t got = in->read(buf.data(), buf.size());
      if (got == 0) break;
      compressed.write(buf.data(), got);
    }
    compressed.finish();
  }
  file.commit();
}

}  // namespace fmt::tar
