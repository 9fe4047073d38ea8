#include "cab/cab_reader.h"

#include <algorithm>

#include "base/error.h"
#include "base/sjis.h"
#include "core/checked_out_stream.h"
#include "core/names.h"

namespace fmt::cab {

std::string entryName(const std::string& stored, bool utf8) {
  std::string name = stored;
  for (size_t i = 0; i < name.size(); i++) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (!utf8 && sjis::isPair(name, i)) {
      i++;
    } else if (c == '\\') {
      name[i] = '/';
    }
  }
  return name;
}

CabReader::CabReader(CabinetSet set) : set_(std::move(set)) {
  entries_.reserve(set_.files.size());
  for (const SetFile& f : set_.files) {
    const FileRecord& r = f.record;
    const SetFolder& folder = set_.folders[f.folder];
    Entry e;
    bool utf8 = r.attributes & kAttrNameIsUtf8;
    e.encoding = utf8 ? NameEncoding::Utf8 : NameEncoding::ShiftJis;
    e.name = entryName(r.name, utf8);
    e.size = r.size;
    if (folder.sizesKnown && folder.unpacked)
      e.packedSize = static_cast<uint64_t>(static_cast<long double>(folder.packed) * r.size / folder.unpacked + 0.5L);
    e.method = methodName(folder.typeCompress);
    e.dosDate = r.date;
    e.dosTime = r.time;
    e.mtime = dosToUnixTime(r.date, r.time);
    e.attributes = r.attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
    entries_.push_back(std::move(e));
  }
}

void CabReader::extract(size_t index, OutStream& out, const ProgressFn& progress) {
  if (index >= entries_.size()) fail(ErrorKind::Usage, "no entry " + std::to_string(index));
  const SetFile& f = set_.files[index];
  const uint64_t start = f.record.folderOffset, size = f.record.size;
  if (!cached_ || cached_->folder() != f.folder || cached_->position() > start) {
    cached_.reset();
    cached_ = std::make_unique<FolderReader>(set_, f.folder);
  }
  FolderReader& reader = *cached_;
  // After any failure the decoder's state is unknown: the next call starts over.
  try {
    reader.skip(start - reader.position());
    std::vector<uint8_t> buf(static_cast<size_t>(std::min<uint64_t>(size, 65536)));
    // The folder reader checks every data block; a file has no check value of its own.
    CheckedOutStream<NoCheck> sink(out, size, progress);
    if (progress && !progress(0, size)) fail(ErrorKind::Cancelled, "cancelled");
    while (sink.done() < size) {
      size_t want = static_cast<size_t>(std::min<uint64_t>(buf.size(), size - sink.done()));
      size_t got = reader.read(buf.data(), want);
      if (got == 0) {
        const std::string& next = set_.folders[f.folder].missingAfter;
        if (!next.empty()) fail(ErrorKind::Truncated, "the file goes on in cabinet " + next + ", which is not there");
        fail(ErrorKind::Truncated, "folder ends " + std::to_string(size - sink.done()) + " bytes before the file does");
      }
      sink.write(buf.data(), got);
    }
  } catch (...) {
    cached_.reset();
    throw;
  }
}

}  // namespace fmt::cab
