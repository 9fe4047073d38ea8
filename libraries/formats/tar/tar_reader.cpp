#include "tar/tar_reader.h"

#include <algorithm>
#include <cctype>

#include "base/euc_jp.h"
#include "codecs/deflate/gzip_decoder.h"
#include "core/checked_out_stream.h"
#include "platform/platform.h"
#include "tar/tar_format.h"

namespace fmt::tar {

namespace {

class InputView : public InStream {
 public:
  explicit InputView(DecodedInput& in) : in_(in) {}
  size_t read(void* buf, size_t n) override { return in_.read(buf, n); }

 private:
  DecodedInput& in_;
};

void copy(InStream& in, OutStream& out, uint64_t n, const char* what) {
  std::vector<uint8_t> buf(1 << 16);
  while (n > 0) {
    const size_t step = static_cast<size_t>(std::min<uint64_t>(n, buf.size()));
    readExact(in, buf.data(), step, what);
    out.write(buf.data(), step);
    n -= step;
  }
}

TarKind kindFor(Filter f, bool isTar) {
  switch (f) {
    case Filter::Gzip: return isTar ? TarKind::TarGz : TarKind::Gz;
    case Filter::Compress: return isTar ? TarKind::TarZ : TarKind::Z;
    case Filter::Bzip2: return isTar ? TarKind::TarBz2 : TarKind::Bz2;
    case Filter::None: break;
  }
  return TarKind::Tar;
}

}  // namespace

TarReader::TarReader(std::unique_ptr<ByteSource> src, Filter filter)
    : src_(std::move(src)), input_(std::make_unique<DecodedInput>(*src_, filter)) {}
TarReader::~TarReader() = default;

std::unique_ptr<TarReader> TarReader::open(std::unique_ptr<ByteSource> src, const std::string& fileName,
                                           int64_t fileMtime, Opening opening) {
  uint8_t magic[16] = {};
  const size_t magicLen = src->readAt(0, magic, sizeof magic);
  const Filter filter = detectFilter(magic, magicLen);
  const uint64_t rawSize = src->size();
  std::unique_ptr<TarReader> r(new TarReader(std::move(src), filter));

  // Decoding the start tells a compressed tar from a single compressed file.
  uint8_t start[2 * kBlock] = {};
  const size_t got = r->input_->read(start, sizeof start);
  const bool emptyArchive = got == sizeof start && isZeroBlock(start) && isZeroBlock(start + kBlock) &&
                            (filter != Filter::None || rawSize % kBlock == 0);
  const bool isTar = (got >= kBlock && looksLikeHeader(start)) || emptyArchive;
  if (!isTar && filter == Filter::None) return nullptr;
  r->kind_ = kindFor(filter, isTar);
  if (opening == Opening::ForWalk) {
    if (!isTar) {
      r->single_ = r->walking_ = true;
      Entry e;
      r->describeSingleFile(e, fileName, fileMtime);
      r->dir_.entries.push_back(std::move(e));
      r->dir_.items.emplace_back();
      return r;
    }
    r->walking_ = true;
    r->input_->seek(0);
    r->walk_ = std::make_unique<DirectoryWalk>(*r->input_, r->dir_.warnings);
    return r;
  }
  if (!isTar) {
    r->readSingleFile(fileName, fileMtime);
    return r;
  }
  try {
    readDirectory(*r->input_, r->dir_);
    // The check values of gzip and bzip2 come at the end of the stream: read on
    // to them so that damage anywhere is known now.
    if (filter != Filter::None) r->input_->seek(UINT64_MAX);
  } catch (const Error& e) {
    if (e.kind() == ErrorKind::Io) throw;
    r->input_->invalidate();
    r->dir_.warnings.push_back(std::string("the compressed data is damaged: ") + e.what() +
                               "; the entries after it are not listed");
  }
  return r;
}

// Name and stamp from the gzip header when it has them, else from the file.
void TarReader::describeSingleFile(Entry& e, const std::string& fileName, int64_t fileMtime) {
  e.method = filterName(input_->filter());
  e.packedSize = src_->size();
  e.mtime = fileMtime;
  e.name = fileName;
  if (auto* gz = dynamic_cast<codecs::GzipInStream*>(&input_->decoder())) {
    const codecs::GzipHeader& h = gz->firstHeader();
    if (h.hasName && !h.name.empty()) e.name = h.name;
    if (h.mtime) e.mtime = h.mtime;
  }
  e.encoding = platform::isValidUtf8(e.name) ? NameEncoding::Utf8 : NameEncoding::ShiftJis;
  unixToDosTime(e.mtime, e.dosDate, e.dosTime);
}

void TarReader::readSingleFile(const std::string& fileName, int64_t fileMtime) {
  single_ = true;
  Entry e;
  Item it;
  describeSingleFile(e, fileName, fileMtime);
  auto* gz = dynamic_cast<codecs::GzipInStream*>(&input_->decoder());
  try {
    input_->seek(UINT64_MAX);  // to the end: the size is known only by decoding
    e.size = input_->position();
    if (gz && gz->members() == 1) {
      e.hasCrc = true;
      e.crc = gz->lastMemberCrc();
    }
    if (gz && gz->trailingGarbage()) dir_.warnings.push_back("data after the end of the gzip data is ignored");
  } catch (const Error& err) {
    if (err.kind() == ErrorKind::Io) throw;
    input_->invalidate();
    it.problem = err.what();
    it.problemKind = err.kind();
    dir_.warnings.push_back(std::string("the compressed data is damaged: ") + err.what());
  }
  it.storedSize = e.size;
  dir_.entries.push_back(std::move(e));
  dir_.items.push_back(std::move(it));
}

void TarReader::extract(size_t index, OutStream& out, const ProgressFn& progress) {
  if (index >= dir_.items.size()) fail(ErrorKind::Usage, "no such entry");
  Entry& e = dir_.entries[index];
  const Item& it = dir_.items[index];
  if (!it.problem.empty()) fail(it.problemKind, it.problem);
  if (e.kind != EntryKind::File) return;  // folders, links, devices: nothing to write
  try {
    if (single_ && walking_) {
      extractSingleInWalk(e, out, progress);
      return;
    }
    CheckedOutStream<NoCheck> counted(out, e.size, progress);
    // Nothing to read for an entry without stored data (a walk may have read
    // headers past it already).
    if (it.storedSize > 0 && !input_->seek(it.dataOffset))
      fail(ErrorKind::Truncated, "the archive ends before this entry's data");
    InputView view(*input_);
    if (single_) {
      copy(view, counted, it.storedSize, "compressed data");
      uint8_t extra;
      if (view.read(&extra, 1) != 0) fail(ErrorKind::Corrupt, "the compressed data changed since it was listed");
    } else if (it.sparse) {
      LimitedInStream stored(view, it.storedSize);
      expandSparse(stored, it.map, e.size, counted);
    } else {
      copy(view, counted, it.storedSize, "the entry's data");
    }
    // No data follows the last entry's but the end blocks and the compressed
    // stream's check value: verify it with this entry.
    if (walk_) {
      if (index + 1 == dir_.entries.size()) lookPastData();
    } else if (!single_ && input_->filter() != Filter::None && index >= lastDataIndex()) {
      input_->seek(UINT64_MAX);
    }
  } catch (...) {
    input_->invalidate();
    throw;
  }
}

// The whole decoded stream, its size learnt on the way; progress counts the
// compressed bytes taken, the only total known beforehand.
void TarReader::extractSingleInWalk(Entry& e, OutStream& out, const ProgressFn& progress) {
  const uint64_t rawSize = src_->size();
  const ProgressFn byRaw = [&](uint64_t, uint64_t) { return !progress || progress(input_->rawPosition(), rawSize); };
  CheckedOutStream<NoCheck> counted(out, rawSize, byRaw);
  input_->seek(0);
  InputView view(*input_);
  std::vector<uint8_t> buf(1 << 16);
  for (;;) {
    const size_t n = view.read(buf.data(), buf.size());
    if (n == 0) break;
    counted.write(buf.data(), n);
  }
  e.size = counted.done();
  dir_.items[0].storedSize = e.size;
  if (auto* gz = dynamic_cast<codecs::GzipInStream*>(&input_->decoder())) {
    if (gz->members() == 1) {
      e.hasCrc = true;
      e.crc = gz->lastMemberCrc();
    }
    if (gz->trailingGarbage() && dir_.warnings.empty())
      dir_.warnings.push_back("data after the end of the gzip data is ignored");
  }
}

void TarReader::readNamesAsEucJp() {
  eucJpNames_ = true;
  for (Entry& e : dir_.entries) convertName(e);
}

// A name is taken as EUC-JP only when all of it (and its link target) reads as
// such; a UTF-8 name written by a newer tar stays UTF-8.
void TarReader::convertName(Entry& e) const {
  if (!eucJpNames_) return;
  const bool name = eucjp::looksLikeEucJp(e.name), link = eucjp::looksLikeEucJp(e.linkTarget);
  if (!(name || link) || (!name && !isAscii(e.name)) || (!link && !isAscii(e.linkTarget))) return;
  e.name = eucjp::toShiftJis(e.name);
  e.linkTarget = eucjp::toShiftJis(e.linkTarget);
  e.encoding = NameEncoding::ShiftJis;
}

bool TarReader::readMore() {
  if (!walk_) return false;
  if (ahead_.empty() && !walkEnded_) scanOne();
  if (!ahead_.empty()) {
    dir_.entries.push_back(std::move(ahead_.front().first));
    convertName(dir_.entries.back());
    dir_.items.push_back(std::move(ahead_.front().second));
    ahead_.pop_front();
    return true;
  }
  // No entry with data verified the stream's end (the last ones were folders,
  // or were not extracted): verify it now.
  if (!tailChecked_ && input_->filter() != Filter::None) {
    tailChecked_ = true;
    try {
      input_->seek(UINT64_MAX);
    } catch (const Error& err) {
      if (err.kind() == ErrorKind::Io) throw;
      damagedStream(err);
    }
  }
  return false;
}

// One more header into ahead_. After a failed extraction the input restarts
// and decodes to where the walk stands.
void TarReader::scanOne() {
  Entry e;
  Item it;
  try {
    if (walk_->next(e, it)) {
      ahead_.emplace_back(std::move(e), std::move(it));
    } else {
      walkEnded_ = true;
    }
  } catch (const Error& err) {
    if (err.kind() == ErrorKind::Io) throw;
    damagedStream(err);
  }
}

// Reads headers on until one with data lies ahead or the archive ends, which
// verifies the stream's end as part of the entry just extracted.
void TarReader::lookPastData() {
  while (!walkEnded_ && (ahead_.empty() || ahead_.back().second.storedSize == 0)) scanOne();
  const bool dataAhead = std::any_of(ahead_.begin(), ahead_.end(), [](const auto& a) { return a.second.storedSize > 0; });
  if (walkEnded_ && !dataAhead && !tailChecked_ && input_->filter() != Filter::None) {
    tailChecked_ = true;
    input_->seek(UINT64_MAX);
  }
}

void TarReader::damagedStream(const Error& err) {
  input_->invalidate();
  streamDamaged_ = true;
  walkEnded_ = tailChecked_ = true;
  dir_.warnings.push_back(std::string("the compressed data is damaged: ") + err.what() +
                          "; the entries after it are not listed");
}

uint64_t TarReader::membersEnd() const {
  if (dir_.items.empty()) return 0;
  const Item& last = dir_.items.back();
  return roundUpToBlock(last.dataOffset + last.storedSize);
}

size_t TarReader::lastDataIndex() const {
  for (size_t i = dir_.items.size(); i-- > 0;)
    if (dir_.items[i].storedSize > 0) return i;
  return 0;
}

int tarArchiveKind(const ArchiveReader& reader) {
  const auto* tar = dynamic_cast<const TarReader*>(&reader);
  return tar ? static_cast<int>(tar->kind()) : 0;
}

std::string singleFileName(const std::string& archivePath) {
  const size_t slash = archivePath.find_last_of("/\\");
  std::string base = slash == std::string::npos ? archivePath : archivePath.substr(slash + 1);
  std::string lower = base;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  static const struct {
    const char* ext;
    const char* replacement;
  } kExtensions[] = {{".tgz", ".tar"}, {".taz", ".tar"}, {".tbz2", ".tar"}, {".tbz", ".tar"},
                     {".gz", ""},      {".bz2", ""},     {".z", ""}};
  for (const auto& x : kExtensions) {
    const std::string ext = x.ext;
    if (lower.size() > ext.size() && lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0)
      return base.substr(0, base.size() - ext.size()) + x.replacement;
  }
  // No known extension: a name that cannot be the archive's own.
  return base + ".out";
}

}  // namespace fmt::tar
