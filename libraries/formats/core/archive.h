// The one interface every format reader offers to the libraries and arctool.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/entry.h"
#include "base/stream.h"

namespace fmt {

// Progress and cancel: called with bytes done of the current entry; return false to
// stop (the operation then throws ErrorKind::Cancelled and leaves no partial file).
using ProgressFn = std::function<bool(uint64_t done, uint64_t total)>;

// Asked for a password when an entry is encrypted; return false to skip the entry.
using PasswordFn = std::function<bool(const Entry&, std::string& password)>;

class ArchiveReader {
 public:
  virtual ~ArchiveReader() = default;
  // The format's short name: "LZH", "Cabinet", "tar", "ZIP".
  virtual const char* formatName() const = 0;
  virtual const std::vector<Entry>& entries() const = 0;
  // Decodes entry `index` into `out`, verifying the stored check value; throws on
  // damage (the bytes already written are then not to be trusted).
  virtual void extract(size_t index, OutStream& out, const ProgressFn& progress = {}) = 0;
  // Problems met while reading the directory that did not stop it (a damaged
  // trailing header, garbage after the end): one line each.
  virtual const std::vector<std::string>& warnings() const = 0;
  // Where extract() gets the password of an encrypted entry (ZIP); formats without
  // encryption ignore it. Without one, encrypted entries fail with a clear error.
  virtual void setPasswordFn(PasswordFn fn) { (void)fn; }
  // A reader opened for one walk (openArchiveForWalk) learns its entries while
  // it extracts them, so that the archive is decoded once: entries() holds
  // those met so far, and this reads on to the next one, adding it. False at
  // the end. Other readers list everything when opened.
  virtual bool readMore() { return false; }
};

// Opens a file as an archive of any registered format (core/format_registry.h),
// by content, in their detection order; null when it is none. Throws only for
// I/O errors on the file itself.
std::unique_ptr<ArchiveReader> openArchive(const std::string& path);
// The same for extracting or testing every entry in order: formats whose
// listing costs a whole decode (compressed tar, a single compressed file) give
// a reader that decodes as it goes (readMore); the others list as usual.
std::unique_ptr<ArchiveReader> openArchiveForWalk(const std::string& path);

}  // namespace fmt
