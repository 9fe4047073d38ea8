// The platform layer on POSIX systems: files through file descriptors, names
// through iconv's "CP932" (the Windows form of Shift-JIS).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "base/attributes.h"
#include "platform/os_file.h"

namespace fmt::platform {

namespace {

// The interface takes '\' between folders as well; POSIX knows only '/'.
std::string native(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

[[noreturn]] void failErrno(const std::string& what, const std::string& path, int err) {
  fail(ErrorKind::Io, what + " " + path + ": " + std::strerror(err));
}

// One converter per direction, shared; iconv_t is not safe to use concurrently.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) fail(ErrorKind::Unsupported, std::string("iconv lacks ") + from + " to " + to);
  }
  // Converts one character; false when it has no form in the target.
  bool convert(const char* in, size_t n, std::string& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buf[16];
    char* src = const_cast<char*>(in);
    char* dst = buf;
    size_t left = n, room = sizeof buf;
    if (iconv(cd_, &src, &left, &dst, &room) == static_cast<size_t>(-1) || left != 0) return false;
    if (iconv(cd_, nullptr, nullptr, &dst, &room) == static_cast<size_t>(-1)) return false;
    out.append(buf, dst);
    return true;
  }

 private:
  iconv_t cd_;
  std::mutex mutex_;
};

Converter& fromSjis() {
  static Converter c("UTF-8", "CP932");
  return c;
}
Converter& toSjis() {
  static Converter c("CP932", "UTF-8");
  return c;
}

class PosixFile : public os::RawFile {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  size_t readAt(uint64_t offset, void* buf, size_t n) override {
    for (;;) {
      const ssize_t r = ::pread(fd_, buf, n, static_cast<off_t>(offset));
      if (r >= 0) return static_cast<size_t>(r);
      if (errno != EINTR) failErrno("cannot read", path_, errno);
    }
  }
  void writeAt(uint64_t offset, const void* buf, size_t n) override {
    auto* p = static_cast<const char*>(buf);
    while (n) {
      const ssize_t r = ::pwrite(fd_, p, n, static_cast<off_t>(offset));
      if (r < 0) {
        if (errno == EINTR) continue;
        failErrno("cannot write", path_, errno);
      }
      p += r, n -= static_cast<size_t>(r), offset += static_cast<uint64_t>(r);
    }
  }
  uint64_t size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) failErrno("cannot stat", path_, errno);
    return static_cast<uint64_t>(st.st_size);
  }
  void close() override {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) failErrno("cannot close", path_, errno);
  }

 private:
  int fd_;
  std::string path_;
};

}  // namespace

namespace os {

std::unique_ptr<RawFile> openRaw(const std::string& path, File::Mode mode) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case File::Read: flags |= O_RDONLY; break;
    case File::CreateNew: flags |= O_RDWR | O_CREAT | O_EXCL; break;
    case File::Truncate: flags |= O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW; break;
  }
  int fd;
  do {
    fd = ::open(native(path).c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) failErrno("cannot open", path, errno);
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    fail(ErrorKind::Io, "cannot open " + path + ": is a folder");
  }
  return std::make_unique<PosixFile>(fd, path);
}

bool sjisCharToUtf8(const char* sjis, size_t len, std::string& out) { return fromSjis().convert(sjis, len, out); }

bool utf8CharToSjis(const char* utf8, size_t len, uint32_t, std::string& out) { return toSjis().convert(utf8, len, out); }

bool makeOneFolder(const std::string& path) {
  if (::mkdir(native(path).c_str(), 0777) == 0) return true;
  struct stat st;
  return errno == EEXIST && ::stat(native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace os

FileInfo stat(const std::string& path) {
  FileInfo info;
  struct stat st;
  if (::lstat(native(path).c_str(), &st) != 0) return info;
  info.exists = true;
  info.isLink = S_ISLNK(st.st_mode);
  info.isFolder = S_ISDIR(st.st_mode);
  info.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
  info.mtime = static_cast<int64_t>(st.st_mtime);
  if (info.isFolder) info.attributes |= kAttrFolder;
  else if (S_ISREG(st.st_mode)) info.attributes |= kAttrArchive;
  if (!info.isLink && !(st.st_mode & S_IWUSR)) info.attributes |= kAttrReadOnly;
  return info;
}

void removeFile(const std::string& path) {
  if (::unlink(native(path).c_str()) != 0 && errno != ENOENT) failErrno("cannot remove", path, errno);
}

void removeFolder(const std::string& path) {
  if (::rmdir(native(path).c_str()) != 0 && errno != ENOENT) failErrno("cannot remove folder", path, errno);
}

void renameReplace(const std::string& from, const std::string& to) {
  if (::rename(native(from).c_str(), native(to).c_str()) != 0) failErrno("cannot rename to", to, errno);
}

void setMtime(const std::string& path, int64_t mtime) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(mtime);
  times[1].tv_nsec = 0;
  if (::utimensat(AT_FDCWD, native(path).c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) failErrno("cannot set the time of", path, errno);
}

// Only read-only has a native meaning: the write bits.
void setAttributes(const std::string& path, uint32_t attributes) {
  struct stat st;
  if (::lstat(native(path).c_str(), &st) != 0) failErrno("cannot stat", path, errno);
  if (S_ISLNK(st.st_mode)) return;
  mode_t mode = st.st_mode & 07777;
  if (attributes & kAttrReadOnly) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else if (!(mode & S_IWUSR)) {
    mode |= S_IWUSR;
  }
  if (mode != (st.st_mode & 07777) && ::chmod(native(path).c_str(), mode) != 0) failErrno("cannot change attributes of", path, errno);
}

std::vector<std::string> listFolder(const std::string& path) {
  DIR* dir = ::opendir(native(path).c_str());
  if (!dir) failErrno("cannot list", path, errno);
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    names.emplace_back(e->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string currentFolder() {
  std::string buf(4096, '\0');
  for (;;) {
    if (::getcwd(buf.data(), buf.size())) return std::string(buf.c_str());
    if (errno != ERANGE || buf.size() > (1u << 20)) failErrno("cannot read the current folder", "", errno);
    buf.resize(buf.size() * 2);
  }
}

std::string tempFolder() {
  const char* t = std::getenv("TMPDIR");
  if (t && *t) return t;
  return "/tmp";
}

}  // namespace fmt::platform
