// What each operating system provides under the platform layer: unbuffered reads
// and writes at an offset, one folder, one character converted. Buffering, the
// write-failure hook and walking names by characters live once, in
// platform_common.cpp, above this.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace fmt::platform::os {

class RawFile {
 public:
  virtual ~RawFile() = default;
  virtual size_t readAt(uint64_t offset, void* buf, size_t n) = 0;       // 0 at the end
  virtual void writeAt(uint64_t offset, const void* buf, size_t n) = 0;  // all or throws
  virtual uint64_t size() = 0;
  virtual void close() = 0;  // throws when the system reports a failure
};

// Opens `path`; write modes also allow reading. Throws ErrorKind::Io.
std::unique_ptr<RawFile> openRaw(const std::string& path, File::Mode mode);

// Makes one folder; true when made or already a folder.
bool makeOneFolder(const std::string& path);

// One character of code page 932 (one or two bytes) appended to `out` as UTF-8;
// false when it has no Unicode form.
bool sjisCharToUtf8(const char* sjis, size_t len, std::string& out);
// One code point (also given as its UTF-8 bytes) appended to `out` in code page
// 932; false when it has no form there (no best-fit substitutes).
bool utf8CharToSjis(const char* utf8, size_t len, uint32_t cp, std::string& out);

}  // namespace fmt::platform::os
