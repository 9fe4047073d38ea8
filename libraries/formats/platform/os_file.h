// What each operating system provides under platform::File: unbuffered reads and
// writes at an offset. Buffering and the write-failure hook live once, in
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

}  // namespace fmt::platform::os
