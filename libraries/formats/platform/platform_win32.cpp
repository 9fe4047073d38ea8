// The platform layer on Windows: UTF-8 paths in, wide-character APIs inside, so
// that any name works whatever the ANSI code page; code page 932 for Shift-JIS.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>

#include "base/attributes.h"
#include "base/utf8.h"
#include "platform/os_file.h"

namespace fmt::platform {

namespace {

constexpr UINT kShiftJis = 932;
constexpr uint64_t kEpochDifference = 116444736000000000ull;  // 1601 to 1970 in 100 ns

std::wstring widen(const std::string& s) {
  if (s.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string narrow(const wchar_t* w, size_t len) {
  if (len == 0) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(len), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(len), s.data(), n, nullptr, nullptr);
  return s;
}
std::string narrow(const std::wstring& w) { return narrow(w.data(), w.size()); }

// '/' becomes '\'; a long absolute path gets the \\?\ form that lifts MAX_PATH.
std::wstring widePath(const std::string& path) {
  std::wstring w = widen(path);
  std::replace(w.begin(), w.end(), L'/', L'\\');
  if (w.size() >= MAX_PATH - 12 && w.compare(0, 4, L"\\\\?\\") != 0) {
    if (w.size() >= 3 && w[1] == L':' && w[2] == L'\\') w.insert(0, L"\\\\?\\");
    else if (w.compare(0, 2, L"\\\\") == 0) w.replace(0, 2, L"\\\\?\\UNC\\");
  }
  return w;
}

std::string systemMessage(DWORD code) {
  wchar_t* buf = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::string msg = n ? narrow(buf, n) : "error " + std::to_string(code);
  if (buf) LocalFree(buf);
  while (!msg.empty() && (msg.back() == '\r' || msg.back() == '\n' || msg.back() == ' ' || msg.back() == '.')) msg.pop_back();
  return msg;
}

[[noreturn]] void failLast(const std::string& what, const std::string& path) {
  const DWORD code = GetLastError();
  fail(ErrorKind::Io, what + " " + path + ": " + systemMessage(code));
}

int64_t toUnix(const FILETIME& ft) {
  const uint64_t v = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return (static_cast<int64_t>(v) - static_cast<int64_t>(kEpochDifference)) / 10000000;
}

FILETIME toFiletime(int64_t t) {
  const uint64_t v = static_cast<uint64_t>(t * 10000000 + static_cast<int64_t>(kEpochDifference));
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(v);
  ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
  return ft;
}

constexpr DWORD kChunk = 1u << 30;  // ReadFile and WriteFile take a DWORD

class WinFile : public os::RawFile {
 public:
  WinFile(HANDLE h, std::string path) : h_(h), path_(std::move(path)) {}
  ~WinFile() override {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  size_t readAt(uint64_t offset, void* buf, size_t n) override {
    OVERLAPPED ov = at(offset);
    DWORD got = 0;
    if (!ReadFile(h_, buf, static_cast<DWORD>(std::min<size_t>(n, kChunk)), &got, &ov)) {
      if (GetLastError() == ERROR_HANDLE_EOF) return 0;
      failLast("cannot read", path_);
    }
    return got;
  }
  void writeAt(uint64_t offset, const void* buf, size_t n) override {
    auto* p = static_cast<const char*>(buf);
    while (n) {
      OVERLAPPED ov = at(offset);
      DWORD put = 0;
      if (!WriteFile(h_, p, static_cast<DWORD>(std::min<size_t>(n, kChunk)), &put, &ov)) failLast("cannot write", path_);
      if (put == 0) fail(ErrorKind::Io, "cannot write " + path_);
      p += put, n -= put, offset += put;
    }
  }
  uint64_t size() override {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(h_, &s)) failLast("cannot read the size of", path_);
    return static_cast<uint64_t>(s.QuadPart);
  }
  void close() override {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(h)) failLast("cannot close", path_);
  }

 private:
  static OVERLAPPED at(uint64_t offset) {
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return ov;
  }
  HANDLE h_;
  std::string path_;
};

}  // namespace

namespace os {

std::unique_ptr<RawFile> openRaw(const std::string& path, File::Mode mode) {
  DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
  if (mode == File::CreateNew) access |= GENERIC_WRITE, disposition = CREATE_NEW;
  if (mode == File::Truncate) access |= GENERIC_WRITE, disposition = CREATE_ALWAYS;
  const DWORD share = mode == File::Read ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ;
  HANDLE h = CreateFileW(widePath(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) failLast("cannot open", path);
  return std::make_unique<WinFile>(h, path);
}

bool makeOneFolder(const std::string& path) {
  const std::wstring w = widePath(path);
  if (CreateDirectoryW(w.c_str(), nullptr)) return true;
  const DWORD a = GetFileAttributesW(w.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool sjisCharToUtf8(const char* sjis, size_t len, std::string& out) {
  wchar_t w[2];
  const int n = MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, sjis, static_cast<int>(len), w, 2);
  if (n != 1) return false;
  utf8::append(out, w[0]);
  return true;
}

bool utf8CharToSjis(const char*, size_t, uint32_t cp, std::string& out) {
  if (cp > 0xFFFF) return false;  // no code page 932 character lies outside the BMP
  const wchar_t w = static_cast<wchar_t>(cp);
  char buf[4];
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, &w, 1, buf, sizeof buf, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return false;
  out.append(buf, static_cast<size_t>(n));
  return true;
}

}  // namespace os

FileInfo stat(const std::string& path) {
  FileInfo info;
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(widePath(path).c_str(), GetFileExInfoStandard, &d)) return info;
  info.exists = true;
  info.isLink = (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  info.isFolder = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !info.isLink;
  info.size = info.isFolder ? 0 : (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
  info.mtime = toUnix(d.ftLastWriteTime);
  info.attributes = d.dwFileAttributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrFolder | kAttrArchive);
  return info;
}

void removeFile(const std::string& path) {
  const std::wstring w = widePath(path);
  if (DeleteFileW(w.c_str())) return;
  DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return;
  if (code == ERROR_ACCESS_DENIED) {  // a read-only file
    const DWORD a = GetFileAttributesW(w.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) &&
        SetFileAttributesW(w.c_str(), a & ~FILE_ATTRIBUTE_READONLY) && DeleteFileW(w.c_str()))
      return;
  }
  SetLastError(code);
  failLast("cannot remove", path);
}

void removeFolder(const std::string& path) {
  if (RemoveDirectoryW(widePath(path).c_str())) return;
  const DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return;
  failLast("cannot remove folder", path);
}

void renameReplace(const std::string& from, const std::string& to) {
  if (!MoveFileExW(widePath(from).c_str(), widePath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    failLast("cannot rename to", to);
}

void setMtime(const std::string& path, int64_t mtime) {
  HANDLE h = CreateFileW(widePath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) failLast("cannot set the time of", path);
  const FILETIME ft = toFiletime(mtime);
  const BOOL ok = SetFileTime(h, nullptr, nullptr, &ft);
  const DWORD code = GetLastError();
  CloseHandle(h);
  if (!ok) {
    SetLastError(code);
    failLast("cannot set the time of", path);
  }
}

void setAttributes(const std::string& path, uint32_t attributes) {
  DWORD a = attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
  if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
  if (!SetFileAttributesW(widePath(path).c_str(), a)) failLast("cannot change attributes of", path);
}

std::vector<std::string> listFolder(const std::string& path) {
  std::wstring pattern = widePath(path);
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return {};  // an empty drive root
    failLast("cannot list", path);
  }
  std::vector<std::string> names;
  do {
    if (wcscmp(fd.cFileName, L".") == 0 || wcscmp(fd.cFileName, L"..") == 0) continue;
    names.push_back(narrow(fd.cFileName, wcslen(fd.cFileName)));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

std::string currentFolder() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring w(n, L'\0');
  const DWORD got = GetCurrentDirectoryW(n, w.data());
  if (got == 0 || got >= n) failLast("cannot read the current folder", "");
  w.resize(got);
  return narrow(w);
}

std::string tempFolder() {
  wchar_t buf[MAX_PATH + 2];
  const DWORD n = GetTempPathW(MAX_PATH + 2, buf);
  if (n == 0 || n > MAX_PATH + 1) failLast("cannot find the temporary folder", "");
  std::wstring w(buf, n);
  while (w.size() > 3 && w.back() == L'\\') w.pop_back();
  return narrow(w);
}

}  // namespace fmt::platform
