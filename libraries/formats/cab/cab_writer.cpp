#include "cab/cab_writer.h"

#include <algorithm>
#include <cstring>

#include "cab/cab_codecs.h"
#include "base/error.h"
#include "core/atomic_file.h"
#include "platform/platform.h"

namespace fmt::cab {
namespace {

struct PlannedFile {
  const SourceItem* item;
  std::string name;
  uint16_t attributes;
  uint64_t size;
  uint16_t folder;
  uint32_t offset;  // in its folder
};

struct PlannedFolder {
  uint64_t bytes = 0;
  uint32_t dataOffset = 0;
  uint16_t blocks = 0;
};

// Frames a folder's bytes into CFDATA blocks and writes them, a batch of
// frames at a time after the 32 KB of history the encoder may refer back to.
class FolderWriter {
 public:
  static constexpr size_t kBatch = 32 * kFrameSize;

  FolderWriter(platform::File& out, BlockEncoder& encoder) : out_(out), encoder_(encoder) {
    buf_.reserve(kFrameSize + kBatch);
  }

  void add(const uint8_t* p, size_t n) {
    while (n) {
      size_t k = std::min(n, history_ + kBatch - buf_.size());
      buf_.insert(buf_.end(), p, p + k);
      p += k, n -= k;
      if (buf_.size() == history_ + kBatch) flush();
    }
  }
  // Ends the folder; returns how many blocks it took.
  uint16_t finish() {
    if (buf_.size() > history_) flush();
    return static_cast<uint16_t>(blocks_);
  }
  uint64_t written() const { return written_; }

 private:
  void flush() {
    encoder_.encodeFrames(buf_.data(), history_, buf_.size() - history_, encoded_);
    size_t at = history_;
    for (const std::vector<uint8_t>& data : encoded_) {
      size_t frame = std::min(kFrameSize, buf_.size() - at);
      if (data.size() > 0xFFFF) fail(ErrorKind::Io, "encoder produced an oversized block");
      uint8_t h[kDataSize];
      put16(h + 4, static_cast<uint16_t>(data.size()));
      put16(h + 6, static_cast<uint16_t>(frame));
      put32(h, checksum(h + 4, 4, checksum(data.data(), data.size(), 0)));
      out_.write(h, sizeof h);
      out_.write(data.data(), data.size());
      written_ += sizeof h + data.size();
      blocks_++;
      at += frame;
    }
    // Keep the last frame's worth as the next batch's history.
    size_t keep = std::min(buf_.size(), kFrameSize);
    std::memmove(buf_.data(), buf_.data() + buf_.size() - keep, keep);
    buf_.resize(keep);
    history_ = keep;
  }

  platform::File& out_;
  BlockEncoder& encoder_;
  std::vector<uint8_t> buf_;
  size_t history_ = 0;
  std::vector<std::vector<uint8_t>> encoded_;
  uint32_t blocks_ = 0;
  uint64_t written_ = 0;
};

}  // namespace

std::string storedName(const std::string& utf8Name, bool& utf8) {
  bool exact = false;
  std::string name = platform::utf8ToSjis(utf8Name, &exact);
  utf8 = !exact;
  if (utf8) name = utf8Name;
  // No Shift-JIS trail byte is '/', so every '/' here is a separator.
  std::replace(name.begin(), name.end(), '/', '\\');
  return name;
}

void writeCabinet(const std::string& archivePath, const std::vector<SourceItem>& items, const WriteOptions& options) {
  size_t fileCount = std::count_if(items.begin(), items.end(), [](const SourceItem& i) { return !i.isFolder; });
  if (fileCount == 0) fail(ErrorKind::Usage, "a cabinet needs at least one file");
  if (fileCount > 0xFFFF) fail(ErrorKind::Usage, "a cabinet holds at most 65535 files");
  const uint64_t folderLimit = std::clamp<uint64_t>(options.folderLimit, 1, kMaxFolderBytes);

  // Plan: names, sizes and folders, so the directory's size is known up front.
  std::vector<PlannedFile> files;
  std::vector<PlannedFolder> folders(1);
  uint64_t total = 0, directory = kHeaderSize;
  for (const SourceItem& item : items) {
    if (item.isFolder) continue;
    if (item.size > kMaxFolderBytes) fail(ErrorKind::Usage, item.diskPath + " is too large for a cabinet (2 GB at most)");
    bool utf8 = false;
    PlannedFile p{&item, storedName(item.name, utf8), 0, item.size, 0, 0};
    if (p.name.empty() || p.name.size() > kMaxNameBytes)
      fail(ErrorKind::Usage, "name too long for a cabinet (255 bytes at most): " + item.name);
    p.attributes = static_cast<uint16_t>((item.attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive)) |
                                         (utf8 ? kAttrNameIsUtf8 : 0));
    if (folders.back().bytes && folders.back().bytes + p.size > folderLimit) folders.emplace_back();
    if (folders.size() > 0xFFFF) fail(ErrorKind::Usage, "too many folders for one cabinet");
    p.folder = static_cast<uint16_t>(folders.size() - 1);
    p.offset = static_cast<uint32_t>(folders.back().bytes);
    folders.back().bytes += p.size;
    total += p.size;
    directory += kFileSize + p.name.size() + 1;
    files.push_back(std::move(p));
  }
  const uint32_t filesAt = static_cast<uint32_t>(kHeaderSize + kFolderSize * folders.size());
  directory += kFolderSize * folders.size();

  AtomicFile atomic(archivePath);
  platform::File& out = atomic.file();
  std::vector<uint8_t> dir(directory, 0);
  out.write(dir.data(), dir.size());

  auto encoder = makeEncoder(options.typeCompress, options.level);
  std::vector<uint8_t> buf(1 << 16);
  uint64_t at = directory, done = 0;
  if (options.progress && !options.progress(0, total)) fail(ErrorKind::Cancelled, "cancelled");
  size_t next = 0;
  for (size_t fi = 0; fi < folders.size(); fi++) {
    if (at > 0xFFFFFFFFu) fail(ErrorKind::Usage, "the cabinet would exceed 4 GB");
    folders[fi].dataOffset = static_cast<uint32_t>(at);
    encoder->reset();
    FolderWriter fw(out, *encoder);
    for (; next < files.size() && files[next].folder == fi; next++) {
      const PlannedFile& p = files[next];
      auto in = platform::File::open(p.item->diskPath, platform::File::Read);
      uint64_t left = p.size;
      while (left) {
        size_t n = in->read(buf.data(), static_cast<size_t>(std::min<uint64_t>(left, buf.size())));
        if (n == 0) fail(ErrorKind::Io, p.item->diskPath + " became shorter while it was read");
        fw.add(buf.data(), n);
        left -= n, done += n;
        if (options.progress && !options.progress(done, total)) fail(ErrorKind::Cancelled, "cancelled");
      }
    }
    folders[fi].blocks = fw.finish();
    at += fw.written();
  }
  if (at > 0xFFFFFFFFu) fail(ErrorKind::Usage, "the cabinet would exceed 4 GB");

  // The directory, now that the folders' places are known.
  uint8_t* h = dir.data();
  std::copy(std::begin(kSignature), std::end(kSignature), h);
  put32(h + 8, static_cast<uint32_t>(at));
  put32(h + 16, filesAt);
  h[24] = 3;  // version 1.3
  h[25] = 1;
  put16(h + 26, static_cast<uint16_t>(folders.size()));
  put16(h + 28, static_cast<uint16_t>(files.size()));
  uint8_t* p = h + kHeaderSize;
  for (const PlannedFolder& f : folders) {
    put32(p, f.dataOffset);
    put16(p + 4, f.blocks);
    put16(p + 6, options.typeCompress);
    p += kFolderSize;
  }
  for (const PlannedFile& f : files) {
    uint16_t date = 0, time = 0;
    unixToDosTime(f.item->mtime, date, time);
    put32(p, static_cast<uint32_t>(f.size));
    put32(p + 4, f.offset);
    put16(p + 8, f.folder);
    put16(p + 10, date);
    put16(p + 12, time);
    put16(p + 14, f.attributes);
    std::copy(f.name.begin(), f.name.end(), p + kFileSize);
    p += kFileSize + f.name.size() + 1;
  }
  out.seek(0);
  out.write(dir.data(), dir.size());
  atomic.commit();
}

}  // namespace fmt::cab
