// The extraction policy shared by every format and library: confinement, links
// never followed, the overwrite rules, temporary files renamed into place only
// after the reader verified the data, stamps and attributes restored.
#include "core/extract.h"

#include "core/atomic_file.h"

#include <exception>

namespace fmt {

namespace {

// Refuses a path below `dest` when any existing component of it is a symbolic
// link (or a Windows reparse point): writing there could land anywhere.
void checkNoLinks(const std::string& dest, const std::string& rel) {
  std::string cur = dest;
  size_t start = 0;
  while (start <= rel.size()) {
    size_t end = rel.find('/', start);
    if (end == std::string::npos) end = rel.size();
    cur += '/';
    cur.append(rel, start, end - start);
    const platform::FileInfo info = platform::stat(cur);
    if (!info.exists) return;  // nothing below a missing component exists either
    if (info.isLink) fail(ErrorKind::Io, "refusing to write through the symbolic link " + cur);
    start = end + 1;
  }
}

bool isUnsafeKind(EntryKind k) {
  return k == EntryKind::Symlink || k == EntryKind::Hardlink || k == EntryKind::Device || k == EntryKind::Fifo;
}

// Records what one extraction run did and tells the observer.
class Run {
 public:
  Run(ArchiveReader& reader, const ExtractRequest& req, ExtractObserver& obs) : reader_(reader), req_(req), obs_(obs) {}

  ExtractSummary execute() {
    if (!req_.testOnly) platform::makeFolders(req_.destination);
    if (req_.indices.empty()) {
      // Entries are asked for one by one: a walking reader adds them as it goes.
      for (size_t index = 0; index < reader_.entries().size() || reader_.readMore(); ++index) {
        const Entry& e = reader_.entries()[index];
        if (req_.select && !req_.select(e)) continue;
        if (!one(index, e)) {
          summary_.cancelled = true;
          break;
        }
      }
    } else {
      for (size_t index : req_.indices) {
        if (index >= reader_.entries().size()) fail(ErrorKind::Usage, "no entry number " + std::to_string(index));
        if (!one(index, reader_.entries()[index])) {
          summary_.cancelled = true;
          break;
        }
      }
    }
    // Last, so that writing files into the folders does not move their stamps.
    for (auto it = folderStamps_.rbegin(); it != folderStamps_.rend(); ++it)
      restoreStamp(it->first, reader_.entries()[it->second]);
    return summary_;
  }

 private:
  // False when the run is to stop (cancelled).
  bool one(size_t index, const Entry& e) {
    ExtractEvent ev;
    ev.index = index;
    ev.entry = &e;
    if (!obs_.onProgress(e, 0, e.size)) return false;
    const std::string rel = confinedPath(e, req_.keepFolders, &ev.fixes);
    if (e.isFolder() && !req_.keepFolders) return true;  // files land directly in the destination
    if (e.isFolder() && rel.empty() && !ev.fixes.any()) return true;  // "." or "./": the destination itself
    ev.path = rel.empty() ? std::string() : req_.destination + "/" + rel;
    if (rel.empty() || isUnsafeKind(e.kind)) return report(ev, Outcome::SkippedUnsafe);
    try {
      if (req_.testOnly) return test(ev, e);
      if (e.isFolder()) return folder(ev, e, rel);
      return file(ev, e, rel);
    } catch (const Error& err) {
      if (err.kind() == ErrorKind::Cancelled) return false;
      return failed(ev, err.kind(), err.what());
    } catch (const std::bad_alloc&) {
      return failed(ev, ErrorKind::Io, "out of memory");
    }
  }

  bool test(ExtractEvent& ev, const Entry& e) {
    if (!e.isFolder()) {
      NullOutStream sink;
      reader_.extract(ev.index, sink, progressFor(e));
    }
    return report(ev, Outcome::Tested);
  }

  bool folder(ExtractEvent& ev, const Entry& e, const std::string& rel) {
    checkNoLinks(req_.destination, rel);
    const platform::FileInfo existing = platform::stat(ev.path);
    if (existing.exists && !existing.isFolder) fail(ErrorKind::Io, "a file is in the way of the folder " + ev.path);
    platform::makeFolders(ev.path);
    folderStamps_.emplace_back(ev.path, ev.index);
    return report(ev, Outcome::FolderMade);
  }

  bool file(ExtractEvent& ev, const Entry& e, const std::string& rel) {
    checkNoLinks(req_.destination, rel);
    const platform::FileInfo existing = platform::stat(ev.path);
    if (existing.exists) {
      if (existing.isFolder) fail(ErrorKind::Io, "a folder is in the way of " + ev.path);
      switch (decide(e, ev.path, existing)) {
        case Decision::Replace: break;
        case Decision::Keep: return report(ev, Outcome::SkippedExisting);
        case Decision::KeepNotNewer: return report(ev, Outcome::SkippedNotNewer);
        case Decision::Cancel: return false;
      }
    } else {
      const std::string parent = platform::parentFolder(ev.path);
      if (parent != lastFolder_) platform::makeFolders(parent);
      lastFolder_ = parent;
    }
    {
      AtomicFile out(ev.path);
      reader_.extract(ev.index, out.file(), progressFor(e));
      // Windows refuses to replace a read-only file.
      if (existing.exists && (existing.attributes & kAttrReadOnly))
        platform::setAttributes(ev.path, existing.attributes & ~kAttrReadOnly);
      out.commit();
    }
    restoreStamp(ev.path, e);
    if (req_.restoreAttributes) {
      const uint32_t attrs = e.attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
      if (attrs & (kAttrReadOnly | kAttrHidden | kAttrSystem)) setAttributesQuietly(ev.path, attrs);
    }
    return report(ev, existing.exists ? Outcome::Replaced : Outcome::Created);
  }

  enum class Decision { Replace, Keep, KeepNotNewer, Cancel };

  Decision decide(const Entry& e, const std::string& path, const platform::FileInfo& existing) {
    switch (req_.overwrite) {
      case Overwrite::Always: return Decision::Replace;
      case Overwrite::Never: return Decision::Keep;
      case Overwrite::IfNewer: return e.mtime > existing.mtime ? Decision::Replace : Decision::KeepNotNewer;
      case Overwrite::Ask: break;
    }
    if (yesToAll_) return Decision::Replace;
    switch (obs_.askOverwrite(e, path, existing)) {
      case OverwriteAnswer::Yes: return Decision::Replace;
      case OverwriteAnswer::YesToAll: yesToAll_ = true; return Decision::Replace;
      case OverwriteAnswer::No: return Decision::Keep;
      case OverwriteAnswer::Cancel: return Decision::Cancel;
    }
    return Decision::Keep;
  }

  ProgressFn progressFor(const Entry& e) {
    return [this, &e](uint64_t done, uint64_t total) { return obs_.onProgress(e, done, total); };
  }

  // A stamp or attribute that cannot be set does not undo a good extraction.
  void restoreStamp(const std::string& path, const Entry& e) {
    if (e.mtime == 0) return;
    try {
      platform::setMtime(path, e.mtime);
    } catch (const Error&) {
    }
  }
  void setAttributesQuietly(const std::string& path, uint32_t attrs) {
    try {
      platform::setAttributes(path, attrs);
    } catch (const Error&) {
    }
  }

  bool report(ExtractEvent& ev, Outcome outcome) {
    ev.outcome = outcome;
    switch (outcome) {
      case Outcome::SkippedExisting:
      case Outcome::SkippedNotNewer:
      case Outcome::SkippedUnsafe: ++summary_.skipped; break;
      case Outcome::Failed: ++summary_.failed; break;
      default: ++summary_.done; break;
    }
    obs_.onEvent(ev);
    return true;
  }

  bool failed(ExtractEvent& ev, ErrorKind kind, const std::string& detail) {
    ev.errorKind = kind;
    ev.detail = detail;
    return report(ev, Outcome::Failed);
  }

  ArchiveReader& reader_;
  const ExtractRequest& req_;
  ExtractObserver& obs_;
  ExtractSummary summary_;
  bool yesToAll_ = false;
  std::string lastFolder_;  // known to exist: most entries share their folder with the one before
  // By index: a walking reader's entries move as it adds more.
  std::vector<std::pair<std::string, size_t>> folderStamps_;
};

}  // namespace

ExtractSummary extractEntries(ArchiveReader& reader, const ExtractRequest& req, ExtractObserver& observer) {
  return Run(reader, req, observer).execute();
}

}  // namespace fmt
