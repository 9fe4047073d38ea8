// The extraction policy: one driver that every format and every library uses.
// Writes each file under a temporary name beside its destination, renames it into
// place only when complete and verified, and never leaves the destination folder.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/archive.h"
#include "core/names.h"
#include "platform/platform.h"

namespace fmt {

enum class Overwrite {
  Ask,            // the observer decides per file
  Never,          // keep every existing file
  IfNewer,        // replace when the entry's stamp is later than the file's
  Always,         // replace every existing file
};

enum class OverwriteAnswer { Yes, No, YesToAll, Cancel };

enum class Outcome {
  Created,          // written, no file was there
  Replaced,         // an existing file was replaced
  SkippedExisting,  // an existing file was kept (policy or answer)
  SkippedNotNewer,  // kept because the entry is not newer
  SkippedUnsafe,    // nothing of the name remained, or a link, device or FIFO
  Failed,           // an error: `detail` says which; any existing file is untouched
  FolderMade,       // a folder entry
  Tested,           // test mode: decoded and verified
};

struct ExtractEvent {
  size_t index = 0;
  const Entry* entry = nullptr;
  std::string path;    // UTF-8 path written (or that would have been)
  Outcome outcome = Outcome::Created;
  NameFixes fixes;
  ErrorKind errorKind = ErrorKind::Io;  // with Failed
  std::string detail;  // with Failed: the engine's message
};

class ExtractObserver {
 public:
  virtual ~ExtractObserver() = default;
  // With Overwrite::Ask; the default keeps the file (no window to ask in).
  virtual OverwriteAnswer askOverwrite(const Entry&, const std::string& path, const platform::FileInfo& existing) {
    (void)path, (void)existing;
    return OverwriteAnswer::No;
  }
  virtual void onEvent(const ExtractEvent&) {}
  // Before each entry and while it decodes; false cancels.
  virtual bool onProgress(const Entry&, uint64_t done, uint64_t total) {
    (void)done, (void)total;
    return true;
  }
};

struct ExtractRequest {
  std::string destination;      // UTF-8 folder; created when missing
  std::vector<size_t> indices;  // entries to extract, in order; empty means all
  // With no indices, the entries to take (all when unset); the others are
  // passed over without an event. A reader opened for one walk is extracted
  // this way, its entries known only as it goes.
  std::function<bool(const Entry&)> select;
  bool keepFolders = true;
  Overwrite overwrite = Overwrite::Ask;
  bool testOnly = false;        // decode and verify, write nothing
  bool restoreAttributes = true;
};

struct ExtractSummary {
  size_t done = 0;      // created, replaced, folders, tested
  size_t skipped = 0;
  size_t failed = 0;
  bool cancelled = false;
  bool ok() const { return failed == 0 && !cancelled; }
};

ExtractSummary extractEntries(ArchiveReader& reader, const ExtractRequest& req, ExtractObserver& observer);

}  // namespace fmt
