#include "lzh/lzh_writer.h"

#include <algorithm>

#include "codecs/lh/lh_encoder.h"
#include "core/checksum.h"

namespace fmt::lzh {

namespace {

// Passes data through while computing its CRC-16.
class CrcInStream : public InStream {
 public:
  explicit CrcInStream(InStream& in) : in_(in) {}
  size_t read(void* buf, size_t n) override {
    size_t got = in_.read(buf, n);
    crc = crc16Update(crc, buf, got);
    return got;
  }
  uint16_t crc = 0;

 private:
  InStream& in_;
};

// Never lets more than `limit` bytes through, so that an abandoned attempt at
// compressing cannot write past where the stored copy will end.
class CappedOutStream : public OutStream {
 public:
  CappedOutStream(OutStream& out, uint64_t limit) : out_(out), left_(limit) {}
  void write(const void* buf, size_t n) override {
    size_t take = static_cast<size_t>(std::min<uint64_t>(n, left_));
    if (take) out_.write(buf, take);
    left_ -= take;
  }

 private:
  OutStream& out_;
  uint64_t left_;
};

}  // namespace

std::string methodFromName(const std::string& name) {
  if (name == "lh0" || name == "lh5" || name == "lh6" || name == "lh7") return "-" + name + "-";
  fail(ErrorKind::Usage, "unknown LZH method " + name + " (lh0, lh5, lh6 or lh7)");
}

Entry entryForName(const std::string& utf8Name, bool folder) {
  Entry e;
  bool exact = false;
  std::string sjis = platform::utf8ToSjis(utf8Name, &exact);
  e.name = exact ? sjis : utf8Name;
  e.encoding = exact ? NameEncoding::ShiftJis : NameEncoding::Utf8;
  e.kind = folder ? EntryKind::Folder : EntryKind::File;
  return e;
}

LzhWriter::LzhWriter(platform::File& out, WriteOptions options) : out_(out), opts_(std::move(options)) {
  if (opts_.headerLevel < 0 || opts_.headerLevel > 2) fail(ErrorKind::Usage, "header level must be 0, 1 or 2");
  methodFromName(opts_.method.size() == 5 ? opts_.method.substr(1, 3) : opts_.method);
}

std::vector<uint8_t> LzhWriter::header(const Entry& e) const { return buildHeader(e, opts_.headerLevel); }

void LzhWriter::writeStored(InStream& in, uint64_t size) {
  std::vector<uint8_t> buf(static_cast<size_t>(std::min<uint64_t>(size, 1 << 16)));
  while (size) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(size, buf.size()));
    readExact(in, buf.data(), n, "input file");
    out_.write(buf.data(), n);
    size -= n;
  }
}

void LzhWriter::add(const SourceItem& item, const ProgressFn& progress) {
  Entry e = entryForName(item.name, item.isFolder);
  e.mtime = item.mtime;
  e.attributes = item.attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
  if (item.isFolder) {
    e.method = "-lhd-";
    e.attributes |= kAttrFolder;
    auto h = header(e);
    out_.write(h.data(), h.size());
    return;
  }
  e.size = item.size;
  e.method = item.size == 0 ? "-lh0-" : opts_.method;
  const uint64_t headerAt = out_.tell();
  auto placeholder = header(e);
  out_.write(placeholder.data(), placeholder.size());
  const uint64_t dataAt = out_.tell();

  bool stored = e.method == "-lh0-";
  uint16_t crc = 0;
  if (!stored) {
    auto file = platform::File::open(item.diskPath, platform::File::Read);
    CrcInStream in(*file);
    CappedOutStream capped(out_, item.size);
    auto res = codecs::encodeLh(in, item.size, capped, e.method[3] - '0', item.size, progress);
    if (res.abandoned || res.packedSize >= item.size) {
      stored = true;  // not smaller: keep the bytes as they are
      e.method = "-lh0-";
      out_.seek(dataAt);
    } else {
      crc = in.crc;
    }
  }
  if (stored) {
    auto file = platform::File::open(item.diskPath, platform::File::Read);
    CrcInStream in(*file);
    writeStored(in, item.size);
    crc = in.crc;
    if (progress && !progress(item.size, item.size)) fail(ErrorKind::Cancelled, "cancelled");
  }
  const uint64_t end = out_.tell();
  e.packedSize = end - dataAt;
  e.crc = crc;
  auto h = header(e);
  if (h.size() != placeholder.size()) fail(ErrorKind::Io, "header size changed while writing " + item.name);
  out_.seek(headerAt);
  out_.write(h.data(), h.size());
  out_.seek(end);
}

void LzhWriter::copy(LzhReader& reader, size_t index) { reader.copyRaw(index, out_); }

void LzhWriter::copyRenamed(LzhReader& reader, size_t index, const std::string& utf8Name) {
  const LzhHeader& old = reader.headers().at(index);
  Entry e = entryForName(utf8Name, old.entry.kind == EntryKind::Folder);
  Entry src = old.entry;
  src.name = e.name;
  src.encoding = e.encoding;
  if (src.kind == EntryKind::File || src.kind == EntryKind::Folder) src.kind = e.kind;
  auto h = buildHeader(src, src.headerLevel >= 0 && src.headerLevel <= 2 ? src.headerLevel : 2);
  out_.write(h.data(), h.size());
  RangeInStream in(reader.source(), old.dataOffset(), src.packedSize);
  writeStored(in, src.packedSize);
}

void LzhWriter::finish() {
  const uint8_t end = 0;
  out_.write(&end, 1);
}

}  // namespace fmt::lzh
