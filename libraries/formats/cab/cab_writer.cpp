#include "cab/cab_writer.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>

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
  // Takes one finished block: its CFDATA header, its data, its uncompressed
  // size, and whether it ends the folder.
  using Sink = std::function<void(const uint8_t* header, const std::vector<uint8_t>& data, size_t frame, bool last)>;

  // batchFrames 0: as many as the encoder asks for.
  FolderWriter(Sink sink, BlockEncoder& encoder, size_t batchFrames = 0)
      : batch_((batchFrames ? batchFrames : encoder.batchFrames()) * kFrameSize),
        sink_(std::move(sink)),
        encoder_(encoder) {
    buf_.reserve(kFrameSize + batch_);
  }

  void add(const uint8_t* p, size_t n) {
    while (n) {
      size_t k = std::min(n, history_ + batch_ - buf_.size());
      buf_.insert(buf_.end(), p, p + k);
      p += k, n -= k;
      if (buf_.size() == history_ + batch_) flush();
    }
  }
  // Ends the folder; returns how many blocks it took.
  uint16_t finish() {
    finishing_ = true;
    if (buf_.size() > history_) flush();
    return static_cast<uint16_t>(blocks_);
  }
  uint64_t written() const { return written_; }

 private:
  void flush() {
    encoder_.encodeFrames(buf_.data(), history_, buf_.size() - history_, encoded_);
    size_t at = history_;
    for (size_t i = 0; i < encoded_.size(); i++) {
      const std::vector<uint8_t>& data = encoded_[i];
      size_t frame = std::min(kFrameSize, buf_.size() - at);
      if (data.size() > 0xFFFF) fail(ErrorKind::Io, "encoder produced an oversized block");
      uint8_t h[kDataSize];
      put16(h + 4, static_cast<uint16_t>(data.size()));
      put16(h + 6, static_cast<uint16_t>(frame));
      put32(h, checksum(h + 4, 4, checksum(data.data(), data.size(), 0)));
      sink_(h, data, frame, finishing_ && i + 1 == encoded_.size());
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

  const size_t batch_;
  Sink sink_;
  BlockEncoder& encoder_;
  bool finishing_ = false;
  std::vector<uint8_t> buf_;
  size_t history_ = 0;
  std::vector<std::vector<uint8_t>> encoded_;
  uint32_t blocks_ = 0;
  uint64_t written_ = 0;
};

// Names, sizes and folders, so that directories' sizes are known up front.
void planFiles(const std::vector<SourceItem>& items, const WriteOptions& options, std::vector<PlannedFile>& files,
               std::vector<PlannedFolder>& folders, uint64_t& total, uint64_t& directory) {
  size_t fileCount = std::count_if(items.begin(), items.end(), [](const SourceItem& i) { return !i.isFolder; });
  if (fileCount == 0) fail(ErrorKind::Usage, "a cabinet needs at least one file");
  if (fileCount > 0xFFFF) fail(ErrorKind::Usage, "a cabinet holds at most 65535 files");
  const uint64_t folderLimit = std::clamp<uint64_t>(options.folderLimit, 1, kMaxFolderBytes);

  folders.assign(1, PlannedFolder{});
  total = 0;
  directory = kHeaderSize;
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
  directory += kFolderSize * folders.size();
}

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

std::string volumeName(const std::string& firstPath, size_t index) {
  if (index == 0) return firstPath;
  size_t slash = firstPath.find_last_of("/\\");
  size_t start = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = firstPath.find_last_of('.');
  if (dot == std::string::npos || dot <= start) dot = firstPath.size();
  return firstPath.substr(0, dot) + std::to_string(index + 1) + firstPath.substr(dot);
}

namespace {

std::string lastComponent(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes a set of cabinets, each at most options.volumeLimit bytes. A block cut
// by a volume's end is split there, as the format allows (its head says 0
// bytes, its rest in the next volume the whole block's size); readers count a
// continued folder's blocks that way. A volume's directory depends on which files its blocks
// touch, so its blocks go to a scratch file first and are copied in behind the
// directory when the volume closes. Every volume stays a temporary file until
// the whole set is written.
//
// A folder cut between volumes ends at the next file boundary, so that in every
// volume but its first a folder holds one file running on from before (the
// file listed in both) and goes on no further unless that file does: readers
// that join a set's folders (cabextract among them) expect this, as cabinets
// from Microsoft's tools have it.
class VolumeWriter {
 public:
  VolumeWriter(const std::string& firstPath, const std::vector<PlannedFile>& files, const WriteOptions& options)
      : firstPath_(firstPath), files_(files), options_(options),
        limit_(std::min<uint64_t>(options.volumeLimit, 0xFFFFFFFFu)),
        folderOf_(files.size(), 0), offsetOf_(files.size(), 0) {
    // Any value will do; time and name keep sets made one after another apart.
    uint32_t seed = static_cast<uint32_t>(std::time(nullptr)) ^ static_cast<uint32_t>(std::clock());
    for (char c : firstPath) seed = seed * 31 + static_cast<unsigned char>(c);
    setId_ = static_cast<uint16_t>(seed ^ (seed >> 16));
    open(false, 0);
  }

  // File `i` begins at `offset` of folder `folder` (folders counted over the set).
  void start(size_t i, size_t folder, uint64_t offset) {
    folderOf_[i] = folder;
    offsetOf_[i] = offset;
    started_ = i + 1;
  }

  // Whether `folder` has been cut between two volumes.
  bool folderCut(size_t folder) const { return cut_ && cutFolder_ == folder; }

  // Whether the next block, full size and not compressing at all, would fit
  // this volume with the directory entries that file `i` and the one after bring.
  bool roomForFrame(size_t i) const {
    size_t end = i, nonEmpty = 0;
    while (end < files_.size() && nonEmpty < 2) nonEmpty += files_[end++].size > 0;
    return volumeBytes(end, vol_.folders.size() + 1) + kDataSize + kFrameSize + kWorstGrowth + kSplitRoom <= limit_;
  }

  // One block of `folder` covering its bytes [a, a + frame).
  void block(size_t folder, uint64_t a, const uint8_t* h, const std::vector<uint8_t>& data, size_t frame, bool last) {
    const uint64_t b = a + frame;
    // Every file starting before b, and at the folder's end the rest of it.
    size_t assigned = assigned_;
    while (assigned < started_ && folderOf_[assigned] == folder && (last || offsetOf_[assigned] < b)) assigned++;
    // Room too for the file holding the byte after the block, which this
    // volume lists as well should the folder go on in the next one.
    size_t reserve = last ? assigned : spanEnd(folder, b, assigned);
    bool newFolder = vol_.folders.empty() || vol_.folders.back().folder != folder;
    uint64_t need = volumeBytes(reserve, vol_.folders.size() + newFolder) + kDataSize + data.size();
    const uint8_t* rest = data.data();
    size_t restSize = data.size();
    // Each block but a folder's last leaves room for the head of a split one behind it.
    const uint64_t room = last ? 0 : kSplitRoom;
    if (need + room > limit_) {
      if (vol_.folders.empty() && vol_.first == vol_.end) tooSmall(need);
      bool cutInside = !newFolder;
      if (cutInside && restSize > 1) {
        // The block's head ends this volume, saying 0 bytes; its rest opens the next.
        uint64_t used = volumeBytes(spanEnd_, vol_.folders.size()) + kDataSize;
        size_t head = static_cast<size_t>(std::min<uint64_t>(limit_ - std::min(limit_, used), restSize - 1));
        if (head) {
          writePiece(rest, head, 0);
          rest += head, restSize -= head;
        }
      }
      close(cutInside, true);
      if (cutInside) cut_ = true, cutFolder_ = folder;
      open(cutInside, cutInside ? vol_.end - 1 : assigned_);
      newFolder = true;
      need = volumeBytes(reserve, 1) + kDataSize + restSize;
      if (need + room > limit_) tooSmall(need + room);
    }
    if (newFolder) vol_.folders.push_back(VolFolder{folder, 0, vol_.dataBytes});
    if (restSize == data.size()) {
      vol_.scratch->file().write(h, kDataSize);
      vol_.scratch->file().write(data.data(), data.size());
      vol_.dataBytes += kDataSize + data.size();
      countBlock();
    } else {
      writePiece(rest, restSize, static_cast<uint16_t>(frame));
    }
    assigned_ = assigned;
    vol_.end = std::max(vol_.end, assigned);
    spanEnd_ = reserve;
  }

  // The folder has ended: the empty files at its end, which no block
  // covers, join the current volume, or the next with a folder of no blocks.
  void endFolder(size_t folder) {
    if (vol_.folders.empty() || vol_.folders.back().folder != folder) return emptyFolder(folder);
    if (assigned_ == started_) return;
    if (volumeBytes(started_, vol_.folders.size()) + kSplitRoom > limit_) {
      for (size_t i = assigned_; i < started_; i++) offsetOf_[i] = 0;
      return emptyFolder(folder);
    }
    assigned_ = vol_.end = started_;
  }

 private:
  // A folder without blocks (its files all empty) still needs its record.
  void emptyFolder(size_t folder) {
    size_t assigned = started_;
    if (volumeBytes(assigned, vol_.folders.size() + 1) + kSplitRoom > limit_) {
      if (vol_.folders.empty() && vol_.first == vol_.end) tooSmall(volumeBytes(assigned, 1) + kSplitRoom);
      close(false, true);
      open(false, assigned_);
      if (volumeBytes(assigned, 1) + kSplitRoom > limit_) tooSmall(volumeBytes(assigned, 1) + kSplitRoom);
    }
    vol_.folders.push_back(VolFolder{folder, 0, vol_.dataBytes});
    assigned_ = assigned;
    vol_.end = assigned;
  }

 public:
  std::vector<std::string> finish() {
    close(false, false);
    std::vector<std::string> paths;
    for (size_t i = 0; i < done_.size(); i++) {
      done_[i]->commit();
      paths.push_back(volumeName(firstPath_, i));
    }
    return paths;
  }

 private:
  // What an encoder may add to a frame that does not compress (MSZIP's and
  // LZX's stored blocks take a few dozen bytes), with room to spare.
  static constexpr uint64_t kWorstGrowth = 1024;
  // A CFDATA header and a few bytes: the least head of a split block.
  static constexpr uint64_t kSplitRoom = kDataSize + 16;

  void countBlock() {
    if (++vol_.folders.back().blocks == 0) fail(ErrorKind::Usage, "too many blocks in one folder of a volume");
  }

  // One piece of a block split between volumes, checksummed on its own.
  void writePiece(const uint8_t* p, size_t n, uint16_t uncompressed) {
    uint8_t h[kDataSize];
    put16(h + 4, static_cast<uint16_t>(n));
    put16(h + 6, uncompressed);
    put32(h, checksum(h + 4, 4, checksum(p, n, 0)));
    vol_.scratch->file().write(h, sizeof h);
    vol_.scratch->file().write(p, n);
    vol_.dataBytes += kDataSize + n;
    countBlock();
  }

  struct VolFolder {
    size_t folder;
    uint16_t blocks;
    uint64_t scratchOffset;
  };
  struct Vol {
    std::unique_ptr<AtomicFile> scratch;
    uint64_t dataBytes = 0;
    size_t first = 0, end = 0;  // its files
    bool continued = false;     // its first folder began in the volume before
    std::vector<VolFolder> folders;
  };

  [[noreturn]] void tooSmall(uint64_t need) {
    fail(ErrorKind::Usage, "a volume of " + std::to_string(limit_) +
                               " bytes is too small: one block with its directory needs " + std::to_string(need));
  }

  // Past the file holding byte `pos` of the folder, the files before `from`
  // being listed already: one begun that reaches past pos, else the next one
  // with bytes, which will begin there.
  size_t spanEnd(size_t folder, uint64_t pos, size_t from) const {
    for (size_t i = from ? from - 1 : 0; i < files_.size(); i++) {
      if (i < started_) {
        if (folderOf_[i] == folder && offsetOf_[i] + files_[i].size > pos) return std::max(from, i + 1);
      } else if (files_[i].size > 0) {
        return std::max(from, i + 1);
      }
    }
    return std::max(from, files_.size());
  }

  std::string cabinetName(size_t index) const {
    bool utf8 = false;
    return storedName(lastComponent(volumeName(firstPath_, index)), utf8);
  }
  static std::string diskName(size_t index) { return "Disk " + std::to_string(index + 1); }

  size_t namesBytes(bool prev, bool next) const {
    size_t n = 0;
    if (prev) n += cabinetName(index_ - 1).size() + diskName(index_ - 1).size() + 2;
    if (next) n += cabinetName(index_ + 1).size() + diskName(index_ + 1).size() + 2;
    return n;
  }

  // The volume's size with files [first, end) and `folderCount` folders,
  // counting the next volume's names as though there will be one.
  uint64_t volumeBytes(size_t end, size_t folderCount) const {
    uint64_t n = kHeaderSize + namesBytes(index_ > 0, true) + kFolderSize * folderCount + vol_.dataBytes;
    for (size_t i = vol_.first; i < end; i++) n += kFileSize + files_[i].name.size() + 1;
    return n;
  }

  void open(bool continued, size_t first) {
    if (!done_.empty()) index_++;
    if (index_ > 0xFFFF) fail(ErrorKind::Usage, "a cabinet set holds at most 65536 volumes");
    std::string name = cabinetName(index_);
    if (name.size() > kMaxNameBytes) fail(ErrorKind::Usage, "volume name too long: " + name);
    vol_ = Vol{};
    vol_.scratch = std::make_unique<AtomicFile>(volumeName(firstPath_, index_) + ".blocks");
    vol_.first = vol_.end = first;
    vol_.continued = continued;
  }

  // Writes the open volume out behind its directory; `goesOn` when its last
  // folder continues in the next volume, `next` when there is one.
  void close(bool goesOn, bool next) {
    const bool prev = index_ > 0;
    if (goesOn) vol_.end = spanEnd_;
    if (vol_.end - vol_.first > 0xFFFF || vol_.folders.size() > 0xFFFF)
      fail(ErrorKind::Usage, "too many files for one volume");
    size_t directory = kHeaderSize + namesBytes(prev, next) + kFolderSize * vol_.folders.size();
    for (size_t i = vol_.first; i < vol_.end; i++) directory += kFileSize + files_[i].name.size() + 1;
    std::vector<uint8_t> dir(directory, 0);
    uint8_t* h = dir.data();
    std::copy(std::begin(kSignature), std::end(kSignature), h);
    put32(h + 8, static_cast<uint32_t>(directory + vol_.dataBytes));
    h[24] = 3;  // version 1.3
    h[25] = 1;
    put16(h + 26, static_cast<uint16_t>(vol_.folders.size()));
    put16(h + 28, static_cast<uint16_t>(vol_.end - vol_.first));
    put16(h + 30, static_cast<uint16_t>((prev ? kFlagPrevCabinet : 0) | (next ? kFlagNextCabinet : 0)));
    put16(h + 32, setId_);
    put16(h + 34, static_cast<uint16_t>(index_));
    uint8_t* p = h + kHeaderSize;
    auto putString = [&p](const std::string& s) {
      std::copy(s.begin(), s.end(), p);
      p += s.size() + 1;
    };
    if (prev) putString(cabinetName(index_ - 1)), putString(diskName(index_ - 1));
    if (next) putString(cabinetName(index_ + 1)), putString(diskName(index_ + 1));
    for (const VolFolder& f : vol_.folders) {
      put32(p, static_cast<uint32_t>(directory + f.scratchOffset));
      put16(p + 4, f.blocks);
      put16(p + 6, options_.typeCompress);
      p += kFolderSize;
    }
    put32(h + 16, static_cast<uint32_t>(p - h));
    const size_t firstFolder = vol_.folders.empty() ? 0 : vol_.folders.front().folder;
    for (size_t i = vol_.first; i < vol_.end; i++) {
      const PlannedFile& f = files_[i];
      bool fromPrev = vol_.continued && i == vol_.first, toNext = goesOn && i + 1 == vol_.end;
      uint16_t folder = static_cast<uint16_t>(folderOf_[i] - firstFolder);
      if (fromPrev && toNext) folder = kContinuedPrevAndNext;
      else if (fromPrev) folder = kContinuedFromPrev;
      else if (toNext) folder = kContinuedToNext;
      uint16_t date = 0, time = 0;
      unixToDosTime(f.item->mtime, date, time);
      put32(p, static_cast<uint32_t>(f.size));
      put32(p + 4, static_cast<uint32_t>(offsetOf_[i]));
      put16(p + 8, folder);
      put16(p + 10, date);
      put16(p + 12, time);
      put16(p + 14, f.attributes);
      std::copy(f.name.begin(), f.name.end(), p + kFileSize);
      p += kFileSize + f.name.size() + 1;
    }
    auto target = std::make_unique<AtomicFile>(volumeName(firstPath_, index_));
    platform::File& out = target->file();
    out.write(dir.data(), dir.size());
    platform::File& in = vol_.scratch->file();
    in.seek(0);
    std::vector<uint8_t> buf(1 << 16);
    for (uint64_t left = vol_.dataBytes; left;) {
      size_t n = in.read(buf.data(), static_cast<size_t>(std::min<uint64_t>(left, buf.size())));
      if (n == 0) fail(ErrorKind::Io, "a volume's scratch file came back short");
      out.write(buf.data(), n);
      left -= n;
    }
    vol_.scratch.reset();
    done_.push_back(std::move(target));
  }

  const std::string& firstPath_;
  const std::vector<PlannedFile>& files_;
  const WriteOptions& options_;
  const uint64_t limit_;
  uint16_t setId_ = 0;
  std::vector<size_t> folderOf_;     // each begun file's folder
  std::vector<uint64_t> offsetOf_;  // and its offset there
  size_t started_ = 0;               // files begun
  size_t assigned_ = 0;              // files listed in a volume so far
  size_t spanEnd_ = 0;               // past the file holding the byte after the last block
  bool cut_ = false;                 // the last cut fell inside cutFolder_
  size_t cutFolder_ = 0;
  size_t index_ = 0;
  Vol vol_;
  std::vector<std::unique_ptr<AtomicFile>> done_;
};

std::vector<std::string> writeVolumes(const std::string& archivePath, const std::vector<PlannedFile>& files,
                                      uint64_t total, const WriteOptions& options) {
  VolumeWriter volumes(archivePath, files, options);
  auto encoder = makeEncoder(options.typeCompress, options.level);
  std::vector<uint8_t> buf(1 << 16);
  uint64_t done = 0;
  if (options.progress && !options.progress(0, total)) fail(ErrorKind::Cancelled, "cancelled");
  size_t folder = 0;
  uint64_t emitted = 0, fed = 0;  // of the folder
  auto sink = [&](const uint8_t* h, const std::vector<uint8_t>& data, size_t frame, bool last) {
    volumes.block(folder, emitted, h, data, frame, last);
    emitted += frame;
  };
  // One frame a batch, so that blocks reach the volumes as soon as their bytes are read.
  auto fw = std::make_unique<FolderWriter>(sink, *encoder, 1);
  auto endFolder = [&] {
    fw->finish();
    volumes.endFolder(folder);
  };
  for (size_t i = 0; i < files.size(); i++) {
    const PlannedFile& p = files[i];
    // A new folder where the plan has one, after a cut, and where a block
    // holding the end of the files before and the start of this one could
    // be cut with neither of them the file listed in both volumes.
    if (i > 0 && (p.folder != files[i - 1].folder || volumes.folderCut(folder) || !volumes.roomForFrame(i))) {
      endFolder();
      folder++;
      emitted = fed = 0;
      encoder->reset();
      fw = std::make_unique<FolderWriter>(sink, *encoder, 1);
    }
    volumes.start(i, folder, fed);
    auto in = platform::File::open(p.item->diskPath, platform::File::Read);
    uint64_t left = p.size;
    while (left) {
      size_t n = in->read(buf.data(), static_cast<size_t>(std::min<uint64_t>(left, buf.size())));
      if (n == 0) fail(ErrorKind::Io, p.item->diskPath + " became shorter while it was read");
      fw->add(buf.data(), n);
      left -= n, done += n, fed += n;
      if (options.progress && !options.progress(done, total)) fail(ErrorKind::Cancelled, "cancelled");
    }
  }
  endFolder();
  return volumes.finish();
}

}  // namespace

std::vector<std::string> writeCabinet(const std::string& archivePath, const std::vector<SourceItem>& items, const WriteOptions& options) {
  std::vector<PlannedFile> files;
  std::vector<PlannedFolder> folders;
  uint64_t total = 0, directory = 0;
  planFiles(items, options, files, folders, total, directory);
  if (options.volumeLimit) return writeVolumes(archivePath, files, total, options);
  const uint32_t filesAt = static_cast<uint32_t>(kHeaderSize + kFolderSize * folders.size());

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
    FolderWriter fw(
        [&out](const uint8_t* h, const std::vector<uint8_t>& data, size_t, bool) {
          out.write(h, kDataSize);
          out.write(data.data(), data.size());
        },
        *encoder);
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
  return {archivePath};
}

}  // namespace fmt::cab
