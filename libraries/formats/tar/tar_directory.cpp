#include "tar/tar_directory.h"

#include <map>
#include <optional>

#include "core/names.h"
#include "platform/platform.h"
#include "tar/tar_format.h"
#include "tar/tar_pax.h"

namespace fmt::tar {

namespace {

std::string offsetText(uint64_t pos) { return std::to_string(pos); }

// Longer names serve no file system; all names together are bounded so that a
// small compressed archive cannot fill memory with them.
constexpr size_t kMaxNameLength = 1 << 16;
constexpr uint64_t kMaxNameBytes = uint64_t{64} << 20;

// pax keywords as they apply to one entry: the global ones, then the entry's own.
struct PaxValues {
  std::map<std::string, std::string> values;
  SparseMap pairs;  // GNU.sparse.offset / GNU.sparse.numbytes records, in order (sparse 0.0)
  bool pairsBad = false;

  void apply(const std::vector<PaxRecord>& records) {
    bool haveOffset = false;
    uint64_t offset = 0;
    for (const PaxRecord& r : records) {
      if (r.key == "GNU.sparse.offset") {
        haveOffset = parsePaxNumber(r.value, offset);
        if (!haveOffset) pairsBad = true;
      } else if (r.key == "GNU.sparse.numbytes") {
        uint64_t length = 0;
        if (!haveOffset || !parsePaxNumber(r.value, length) || pairs.size() >= kMaxSparseChunks) {
          pairsBad = true;
        } else {
          pairs.push_back({offset, length});
          haveOffset = false;
        }
      } else {
        values[r.key] = r.value;
      }
    }
  }
  const std::string* get(const std::string& key) const {
    const auto it = values.find(key);
    return it == values.end() ? nullptr : &it->second;
  }
};

}  // namespace

class DirectoryScanner {
 public:
  DirectoryScanner(DecodedInput& in, std::vector<std::string>& warnings) : in_(in), warnings_(warnings) {}

  bool next(Entry& e, Item& it) {
    if (done_) return false;
    if (pending_ && !passData(nullptr)) return end();
    produced_ = false;
    uint8_t block[kBlock];
    while (!produced_) {
      if (count_ >= kMaxEntries) {
        warn("more than " + std::to_string(kMaxEntries) + " entries; the rest is not listed");
        return end();
      }
      const uint64_t at = in_.position();
      const size_t got = in_.read(block, kBlock);
      if (got == 0) return end();  // no end marker; the archive is still whole
      if (got < kBlock) {
        warn("the archive ends inside a header at offset " + offsetText(at));
        return end();
      }
      if (isZeroBlock(block)) {
        if (!afterZeroBlock(block)) return end();
      }
      if (!checksumMatches(block)) {
        warn("a damaged header at offset " + offsetText(at) + "; the rest of the archive is ignored");
        return end();
      }
      if (!header(block, at)) return end();
    }
    ++count_;
    e = std::move(entry_);
    it = std::move(item_);
    return true;
  }

  // Goes past the data of the member next() gave last; a stream that ends
  // inside the data leaves that entry (`last`, when given) unreadable and ends the walk.
  bool passData(Item* last) {
    pending_ = false;
    if (!in_.seek(dataEnd_)) {
      if (last) {
        last->problem = "the archive ends inside this entry's data (" + std::to_string(last->storedSize) +
                        " bytes stated)";
        last->problemKind = ErrorKind::Truncated;
      }
      warn("the archive ends inside the data of " + pendingName_);
      done_ = true;
      return false;
    }
    in_.seek(dataNext_);  // the padding may be missing at the very end
    return true;
  }

 private:
  bool end() {
    done_ = true;
    return false;
  }
  // Damage: something the archive holds may not have been listed.
  void warn(const std::string& w) {
    damaged_ = true;
    warnings_.push_back(w);
  }
  // Harmless: nothing of the archive is lost.
  void note(const std::string& w) { warnings_.push_back(w); }

 public:
  bool damaged() const { return damaged_; }

 private:

  // One zero block: a second one (or the end) ends the archive; otherwise the
  // next block is taken as a header when it is one.
  bool afterZeroBlock(uint8_t* block) {
    const uint64_t at = in_.position();
    const size_t got = in_.read(block, kBlock);
    if (got < kBlock || isZeroBlock(block)) return false;
    if (!checksumMatches(block)) {
      note("data after the end of the archive at offset " + offsetText(at) + " is ignored");
      return false;
    }
    return true;
  }

  // The data of a long name or pax header, bounded.
  std::optional<std::string> extendedData(const uint8_t* block, uint64_t at) {
    int64_t size;
    if (!parseField(block, kSize, size) || size < 0) {
      warn("a damaged header at offset " + offsetText(at) + "; the rest of the archive is ignored");
      return std::nullopt;
    }
    if (static_cast<uint64_t>(size) > kMaxExtendedHeader) {
      warn("an extended header of " + std::to_string(size) + " bytes at offset " + offsetText(at) +
           " is too large; the rest of the archive is ignored");
      return std::nullopt;
    }
    std::string data(static_cast<size_t>(size), '\0');
    if (in_.read(data.data(), data.size()) < data.size()) {
      warn("the archive ends inside an extended header at offset " + offsetText(at));
      return std::nullopt;
    }
    in_.seek(in_.position() + (roundUpToBlock(data.size()) - data.size()));
    return data;
  }

  static std::string cString(const std::string& s) { return s.substr(0, s.find('\0')); }

  bool header(const uint8_t* block, uint64_t at) {
    const char type = static_cast<char>(block[kTypeflag]);
    switch (type) {
      case 'L':
      case 'K': {
        auto data = extendedData(block, at);
        if (!data) return false;
        (type == 'L' ? longName_ : longLink_) = cString(*data);
        return true;
      }
      case 'x':
      case 'g': {
        auto data = extendedData(block, at);
        if (!data) return false;
        std::vector<PaxRecord> records;
        if (!parsePax(*data, records)) warn("a damaged pax header at offset " + offsetText(at));
        if (type == 'x') {
          local_ = records;
        } else if ((globalBytes_ += data->size()) > kMaxExtendedHeader) {
          warn("global pax headers beyond " + std::to_string(kMaxExtendedHeader) + " bytes are ignored");
        } else {
          global_.apply(records);
        }
        return true;
      }
      case 'V': {  // a volume label, not a member
        auto data = extendedData(block, at);
        return data.has_value();
      }
      default: return member(block, type, at);
    }
  }

  // A file, folder, link or device: its names, then what kind of entry it is,
  // then where its data lies. False ends the listing (a warning says why).
  bool member(const uint8_t* block, char type, uint64_t at) {
    PaxValues pax = global_;
    pax.apply(local_);
    local_.clear();
    Names names = storedNames(block, pax);
    Numbers numbers;
    if (!readNumbers(block, pax, at, numbers)) return false;
    if (!acceptNames(names, at)) return false;
    Entry e;
    Item it;
    describeEntry(type, names, numbers, e);
    if (!locateData(block, type, pax, numbers.size, e, it)) return false;
    return found(std::move(e), std::move(it));
  }

  struct Names {
    std::string name, link;
  };
  struct Numbers {
    int64_t size = 0, mtime = 0, mode = 0;
  };

  // The header's names, overridden by a GNU long name or link, then by pax
  // records; the long names apply to this entry only.
  Names storedNames(const uint8_t* block, const PaxValues& pax) {
    Names n;
    n.name = fieldString(block, kName);
    if (flavorOf(block) == Flavor::Ustar) {
      const std::string prefix = fieldString(block, kPrefix);
      if (!prefix.empty()) n.name = prefix + "/" + n.name;
    }
    if (longName_) n.name = *longName_;
    if (const std::string* p = pax.get("path")) n.name = *p;
    if (const std::string* p = pax.get("GNU.sparse.name")) n.name = *p;
    n.link = fieldString(block, kLinkname);
    if (longLink_) n.link = *longLink_;
    if (const std::string* p = pax.get("linkpath")) n.link = *p;
    longName_.reset();
    longLink_.reset();
    return n;
  }

  // Size, stamp and mode, pax records before the header's fields; a size that
  // cannot be read ends the listing, since the next header cannot be found.
  bool readNumbers(const uint8_t* block, const PaxValues& pax, uint64_t at, Numbers& n) {
    bool sizeOk = parseField(block, kSize, n.size) && n.size >= 0;
    if (const std::string* p = pax.get("size")) {
      uint64_t v;
      sizeOk = parsePaxNumber(*p, v) && v < (uint64_t{1} << 62);
      n.size = static_cast<int64_t>(v);
    }
    if (!sizeOk) {
      warn("a damaged size in the header at offset " + offsetText(at) + "; the rest of the archive is ignored");
      return false;
    }
    if (!parseField(block, kMtime, n.mtime)) n.mtime = 0;
    if (const std::string* p = pax.get("mtime")) {
      int64_t t;
      if (parsePaxTime(*p, t)) n.mtime = t;
    }
    if (!parseField(block, kMode, n.mode) || n.mode < 0) n.mode = 0;
    return true;
  }

  // Cuts the names at a NUL (only a pax value can hold one; nothing after it is
  // a name) and holds them to the limits on their length and on all names together.
  bool acceptNames(Names& n, uint64_t at) {
    n.name = cString(n.name);
    n.link = cString(n.link);
    if (n.name.size() > kMaxNameLength || n.link.size() > kMaxNameLength) {
      warn("a name longer than " + std::to_string(kMaxNameLength) + " bytes at offset " + offsetText(at) +
           "; the rest of the archive is ignored");
      return false;
    }
    if ((nameBytes_ += n.name.size() + n.link.size()) > kMaxNameBytes) {
      warn("the names of the entries exceed " + std::to_string(kMaxNameBytes) + " bytes; the rest is not listed");
      return false;
    }
    return true;
  }

  // The type flag, or for a plain file a name ending in '/', says what the entry is.
  static EntryKind kindOf(char type, const std::string& name) {
    switch (type) {
      case '1': return EntryKind::Hardlink;
      case '2': return EntryKind::Symlink;
      case '3':
      case '4': return EntryKind::Device;
      case '5':
      case 'D': return EntryKind::Folder;
      case '6': return EntryKind::Fifo;
      default: return !name.empty() && name.back() == '/' ? EntryKind::Folder : EntryKind::File;
    }
  }

  // The entry as listed: kind, name without trailing '/' or leading "./" (tar
  // run on "." writes every name that way), link target, stamp, mode, attributes.
  void describeEntry(char type, const Names& names, const Numbers& numbers, Entry& e) const {
    e.kind = kindOf(type, names.name);
    std::string name = names.name;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    while (name.size() > 2 && name.compare(0, 2, "./") == 0) name.erase(0, 2);
    e.name = name;
    if (e.kind == EntryKind::Symlink || e.kind == EntryKind::Hardlink) e.linkTarget = names.link;
    e.encoding = platform::isValidUtf8(e.name) && platform::isValidUtf8(e.linkTarget) ? NameEncoding::Utf8
                                                                                     : NameEncoding::ShiftJis;
    e.mtime = numbers.mtime;
    unixToDosTime(numbers.mtime, e.dosDate, e.dosTime);
    static const uint32_t kTypeBits[] = {0100000, 0040000, 0120000, 0100000, 0020000, 0010000};
    const int64_t mode = numbers.mode;
    e.hasUnixMode = true;
    e.unixMode = static_cast<uint32_t>(mode & 07777) | kTypeBits[static_cast<int>(e.kind)];
    if (type == '4') e.unixMode = static_cast<uint32_t>(mode & 07777) | 0060000;
    if (e.kind == EntryKind::Folder) e.attributes |= kAttrFolder;
    if (!(mode & 0200)) e.attributes |= kAttrReadOnly;
    e.method = filterName(in_.filter());
  }

  // Where the data starts and how much is stored, with a sparse file's map read
  // (old GNU form from the header, pax forms from the records).
  bool locateData(const uint8_t* block, char type, const PaxValues& pax, int64_t size, Entry& e, Item& it) {
    it.storedSize = static_cast<uint64_t>(size);
    e.size = it.storedSize;
    if (e.kind == EntryKind::Folder) e.size = 0;
    if (type == 'S' && !gnuSparse(block, e, it)) return false;
    it.dataOffset = in_.position();
    if (type != 'S' && !paxSparse(pax, e, it)) return false;
    e.packedSize = it.storedSize;
    if (it.sparse && it.problem.empty()) {
      it.problem = checkSparseMap(it.map, e.size, it.storedSize);
      if (!it.problem.empty()) warn("entry " + utf8Name(e) + ": " + it.problem);
    }
    return true;
  }

  // The entry for next() to give; its data is passed on the next call.
  bool found(Entry e, Item it) {
    dataEnd_ = it.dataOffset + it.storedSize;
    dataNext_ = it.dataOffset + roundUpToBlock(it.storedSize);
    pendingName_ = utf8Name(e);
    pending_ = true;
    produced_ = true;
    entry_ = std::move(e);
    item_ = std::move(it);
    return true;
  }

  // Old GNU sparse: four chunks in the header, 21 more in each extension block.
  bool gnuSparse(const uint8_t* block, Entry& e, Item& it) {
    it.sparse = true;
    int64_t real;
    if (!parseField(block, kGnuRealSize, real) || real < 0) {
      warn("a damaged sparse header for " + utf8Name(e) + "; the rest of the archive is ignored");
      return false;
    }
    e.size = static_cast<uint64_t>(real);
    auto addPairs = [&](const uint8_t* p, size_t count) {
      for (size_t i = 0; i < count; i++, p += 24) {
        if (p[0] == 0) return;  // unused slot
        int64_t off, len;
        if (!parseNumber(p, 12, off) || !parseNumber(p + 12, 12, len) || off < 0 || len < 0 ||
            it.map.size() >= kMaxSparseChunks) {
          it.problem = "a damaged sparse map";
          return;
        }
        it.map.push_back({static_cast<uint64_t>(off), static_cast<uint64_t>(len)});
      }
    };
    addPairs(block + kGnuSparse, kGnuSparseCount);
    bool extended = block[kGnuIsExtended] != 0;
    uint8_t ext[kBlock];
    while (extended) {
      if (in_.read(ext, kBlock) < kBlock) {
        warn("the archive ends inside the sparse map of " + utf8Name(e));
        return false;
      }
      addPairs(ext, kGnuExtCount);
      extended = ext[kGnuExtIsExtended] != 0;
    }
    return true;
  }

  // pax sparse forms: 0.0 (offset/numbytes records), 0.1 (GNU.sparse.map) and
  // 1.0 (the map at the start of the data).
  bool paxSparse(const PaxValues& pax, Entry& e, Item& it) {
    const std::string* major = pax.get("GNU.sparse.major");
    const std::string* list = pax.get("GNU.sparse.map");
    const bool pairs = !pax.pairs.empty() || pax.pairsBad;
    if (!major && !list && !pairs) return true;
    it.sparse = true;
    uint64_t real = e.size;
    const std::string* realText = pax.get("GNU.sparse.realsize");
    if (!realText) realText = pax.get("GNU.sparse.size");
    if (realText && !parsePaxNumber(*realText, real)) it.problem = "a damaged sparse size";
    e.size = real;
    if (major && *major == "1") {
      return readDataMap(e, it);
    } else if (major && *major != "0") {
      it.problem = "sparse format " + *major + " is not supported";
      it.problemKind = ErrorKind::Unsupported;
    } else if (list) {
      if (!parseSparseMapList(*list, it.map)) it.problem = "a damaged sparse map";
    } else {
      if (pax.pairsBad) it.problem = "a damaged sparse map";
      it.map = pax.pairs;
    }
    return true;
  }

  // Sparse 1.0: decimal lines (count, then offset and length of each chunk),
  // padded to a block, then the chunks.
  bool readDataMap(Entry& e, Item& it) {
    uint64_t consumed = 0;
    auto number = [&](uint64_t& v) {
      std::string digits;
      for (;;) {
        char c;
        if (consumed >= it.storedSize || in_.read(&c, 1) == 0) return false;
        consumed++;
        if (c == '\n') break;
        if (digits.size() > 20) return false;
        digits.push_back(c);
      }
      return parsePaxNumber(digits, v);
    };
    uint64_t count;
    bool ok = number(count) && count <= kMaxSparseChunks;
    for (uint64_t i = 0; ok && i < count; i++) {
      SparseChunk c;
      ok = number(c.offset) && number(c.length);
      if (ok) it.map.push_back(c);
    }
    const uint64_t mapBytes = roundUpToBlock(consumed);
    if (!ok || mapBytes > it.storedSize) {
      warn("a damaged sparse map for " + utf8Name(e) + "; the rest of the archive is ignored");
      return false;
    }
    in_.seek(it.dataOffset + mapBytes);
    it.dataOffset += mapBytes;
    it.storedSize -= mapBytes;
    return true;
  }

  DecodedInput& in_;
  std::vector<std::string>& warnings_;
  Entry entry_;
  Item item_;
  bool produced_ = false, pending_ = false, done_ = false, damaged_ = false;
  uint64_t dataEnd_ = 0, dataNext_ = 0;
  std::string pendingName_;
  size_t count_ = 0;
  std::optional<std::string> longName_, longLink_;
  std::vector<PaxRecord> local_;
  PaxValues global_;
  uint64_t globalBytes_ = 0;
  uint64_t nameBytes_ = 0;
};


DirectoryWalk::DirectoryWalk(DecodedInput& in, std::vector<std::string>& warnings)
    : scanner_(std::make_unique<DirectoryScanner>(in, warnings)) {}
DirectoryWalk::~DirectoryWalk() = default;
bool DirectoryWalk::next(Entry& e, Item& it) { return scanner_->next(e, it); }
bool DirectoryWalk::passData(Item& last) { return scanner_->passData(&last); }
bool DirectoryWalk::damaged() const { return scanner_->damaged(); }

void readDirectory(DecodedInput& in, Directory& dir) {
  in.seek(0);
  DirectoryWalk walk(in, dir.warnings);
  Entry e;
  Item it;
  while (walk.next(e, it)) {
    dir.entries.push_back(std::move(e));
    dir.items.push_back(std::move(it));
    if (!walk.passData(dir.items.back())) break;
  }
}

}  // namespace fmt::tar
