// The platform layer: files, folders, stamps and name conversion. Paths here are
// UTF-8 with '/' or '\' between folders; on Windows they are turned into wide
// strings so that any character works whatever the ANSI code page.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/stream.h"

namespace fmt::platform {

// --- names --------------------------------------------------------------------
// Shift-JIS means code page 932 as Windows defines it. Bytes that do not convert
// become U+FFFD (to UTF-8) or '_' (to Shift-JIS); `exact` tells whether all did.
std::string sjisToUtf8(const std::string& sjis, bool* exact = nullptr);
std::string utf8ToSjis(const std::string& utf8, bool* exact = nullptr);
bool isValidUtf8(const std::string& s);

// --- files --------------------------------------------------------------------
class File : public InStream, public OutStream {
 public:
  enum Mode { Read, CreateNew, Truncate };  // CreateNew fails if the file exists
  static std::unique_ptr<File> open(const std::string& path, Mode mode);  // throws Io
  ~File() override;
  size_t read(void* buf, size_t n) override;
  void write(const void* buf, size_t n) override;
  void seek(uint64_t pos);
  uint64_t tell() const;
  uint64_t size() const;
  void flush();
  void close();  // throws when buffered data cannot be written

 private:
  File() = default;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

struct FileInfo {
  bool exists = false;
  bool isFolder = false;
  bool isLink = false;
  uint64_t size = 0;
  int64_t mtime = 0;        // seconds since 1970 UTC
  uint32_t attributes = 0;  // DOS attribute bits (synthesised from the mode natively)
};

FileInfo stat(const std::string& path);  // never follows a final link
void makeFolders(const std::string& path);          // like mkdir -p; throws Io
void removeFile(const std::string& path);           // no error when absent
void removeFolder(const std::string& path);         // an empty folder
void renameReplace(const std::string& from, const std::string& to);  // atomic where the OS allows
void setMtime(const std::string& path, int64_t mtime);
void setAttributes(const std::string& path, uint32_t attributes);  // read-only etc.; no-op natively but read-only
std::vector<std::string> listFolder(const std::string& path);  // names only, no "." or ".."
std::string currentFolder();
std::string tempFolder();
// The folder part of a path: "." when it has none, the root when it is in the root.
std::string parentFolder(const std::string& path);
// The path (folder + '/' + name) of a not yet existing name in `folder` whose
// name starts with `prefix`.
std::string uniqueName(const std::string& folder, const std::string& prefix);

// Test hook: after `bytes` more bytes have been written through File, every
// write fails with ErrorKind::Io; -1 (the default) turns it off.
void failWritesAfter(int64_t bytes);

}  // namespace fmt::platform
